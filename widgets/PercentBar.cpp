#include "widgets/PercentBar.h"

#include <QPainter>

namespace vorbel {

namespace {
constexpr int Minimum = 0;
constexpr int Maximum = 100;
} // namespace

PercentBar::PercentBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PercentBar::setPosition(int position)
{
    if (position == m_position)
        return;
    m_position = position;
    update();
}

QString PercentBar::caption() const
{
    return QString::number(m_position) + QLatin1Char('%');
}

void PercentBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), QColor(238, 238, 238));
    const int clamped = std::clamp(m_position, Minimum, Maximum);
    const int filled = (frame.width() - 1) * (clamped - Minimum) / (Maximum - Minimum);
    if (filled > 0) {
        QLinearGradient chunk(0, 0, 0, height());
        chunk.setColorAt(0, QColor(150, 190, 240));
        chunk.setColorAt(1, QColor(70, 130, 210));
        painter.fillRect(QRect(1, 1, filled, frame.height() - 1), chunk);
    }
    painter.setPen(QColor(104, 104, 104));
    painter.drawRect(frame);
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignCenter, caption());
}

} // namespace vorbel
