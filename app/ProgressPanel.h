#pragma once

#include <QFrame>

class QLabel;

namespace vorbel {

class PercentBar;

/// The floating progress panel `suiImagePanel1`: the label `lbl2` over the bar `suiProgressBar1`.
class ProgressPanel : public QFrame
{
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent);

    void setPosition(int position);
    int position() const;
    void setText(const QString& text);
    QString text() const;
    /// Shows the panel above its siblings and paints it at once, so a long handler still shows progress.
    void showOnTop();
    void hideBehind();
    void reset();

private:
    QLabel* m_label;
    PercentBar* m_bar;
};

} // namespace vorbel
