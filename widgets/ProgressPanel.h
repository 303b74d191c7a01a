#pragma once

#include "session/Displays.h"

#include <QFrame>

class QLabel;

namespace vorbel {

class PercentBar;

/// The floating progress panel `suiImagePanel1`: the label `lbl2` over the bar `suiProgressBar1`.
class ProgressPanel : public QFrame, public ProgressDisplay
{
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent);

    void setPosition(int position) override;
    int position() const;
    void setText(const QString& text) override;
    QString text() const;
    /// Shows the panel above its siblings and paints it at once, so a long handler still shows progress.
    void showOnTop() override;
    void hideBehind() override;
    void reset();

private:
    QLabel* m_label;
    PercentBar* m_bar;
};

} // namespace vorbel
