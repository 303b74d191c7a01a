#pragma once

#include <QWidget>

class QToolButton;

namespace vorbel {

/// The toolbar `suiToolBar1`: seven flat command buttons with 32 × 32 icons and captions under them.
class ToolBar : public QWidget
{
    Q_OBJECT
public:
    explicit ToolBar(QWidget* parent);

    QToolButton* btn1;
    QToolButton* btn2;
    QToolButton* btn3;
    QToolButton* btn5;
    QToolButton* btn8;
    QToolButton* btn9;
    QToolButton* btn10;

private:
    QToolButton* addButton(const char* name, const QString& caption, const char* icon);
    void addSeparator();
};

} // namespace vorbel
