#pragma once

#include "session/Displays.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QTimer>

class QLabel;

namespace vorbel {

class PercentBar;

/// The floating progress panel `suiImagePanel1`: the label `lbl2` over the bar `suiProgressBar1`. A search
/// reports every picture, a thousand times a second; the panel shows the latest report at most once a
/// frame, so that painting the reports never costs more than the work they report.
class ProgressPanel : public QFrame, public ProgressDisplay
{
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent);

    void setPosition(int position) override;
    int position() const;
    void setText(const QString& text) override;
    QString text() const;
    /// Shows the panel above its siblings and paints it at once, so a long handler still shows progress;
    /// within a frame of the last such paint the newest state is painted when the frame is over.
    void showOnTop() override;
    void hideBehind() override;
    void reset();

private:
    void changed();
    void showState();

    QLabel* m_label;
    PercentBar* m_bar;
    int m_position = 0;
    QString m_text;
    QElapsedTimer m_lastPaint;
    QTimer m_due;
};

} // namespace vorbel
