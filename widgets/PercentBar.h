#pragma once

#include <QWidget>

namespace vorbel {

/// The progress bar of the progress panel: range 0 to 100, caption "<position>%". Unlike QProgressBar it
/// keeps a position outside the range (the search can report 110): drawn full above the maximum, empty at
/// or below the minimum, and the caption shows the value unchanged.
class PercentBar : public QWidget
{
    Q_OBJECT
public:
    explicit PercentBar(QWidget* parent = nullptr);

    void setPosition(int position);
    int position() const { return m_position; }
    QString caption() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_position = 0;
};

} // namespace vorbel
