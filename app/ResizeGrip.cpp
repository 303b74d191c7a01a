#include "app/ResizeGrip.h"

#include <QMouseEvent>
#include <QWindow>

namespace vorbel {

namespace {

constexpr int Thickness = 4;

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = (edges & Qt::LeftEdge) == bool(edges & Qt::TopEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

ResizeGrip::ResizeGrip(Qt::Edges edges, QWidget* window) : QWidget(window), m_edges(edges)
{
    setCursor(cursorFor(edges));
    setAttribute(Qt::WA_NoSystemBackground);
}

void ResizeGrip::place()
{
    const QWidget* window = parentWidget();
    const int w = window->width();
    const int h = window->height();
    const int left = (m_edges & Qt::RightEdge) ? w - Thickness : 0;
    const int top = (m_edges & Qt::BottomEdge) ? h - Thickness : 0;
    const int width = (m_edges & (Qt::LeftEdge | Qt::RightEdge)) ? Thickness : w;
    const int height = (m_edges & (Qt::TopEdge | Qt::BottomEdge)) ? Thickness : h;
    setGeometry(left, top, width, height);
    raise();
}

void ResizeGrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemResize(m_edges))
        return;
    m_dragging = true;
    m_pressPoint = event->globalPosition().toPoint();
    m_startGeometry = window()->geometry();
}

void ResizeGrip::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const QPoint delta = event->globalPosition().toPoint() - m_pressPoint;
    QRect geometry = m_startGeometry;
    if (m_edges & Qt::LeftEdge)
        geometry.setLeft(geometry.left() + delta.x());
    if (m_edges & Qt::RightEdge)
        geometry.setRight(geometry.right() + delta.x());
    if (m_edges & Qt::TopEdge)
        geometry.setTop(geometry.top() + delta.y());
    if (m_edges & Qt::BottomEdge)
        geometry.setBottom(geometry.bottom() + delta.y());
    const QSize minimum = window()->minimumSize();
    if (geometry.width() >= minimum.width() && geometry.height() >= minimum.height())
        window()->setGeometry(geometry);
}

void ResizeGrip::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

} // namespace vorbel
