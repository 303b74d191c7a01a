#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace vorbel {

/// A thin invisible strip along one edge or corner of the frameless main window; dragging it resizes the
/// window, through the window manager when it can, by hand otherwise.
class ResizeGrip : public QWidget
{
    Q_OBJECT
public:
    ResizeGrip(Qt::Edges edges, QWidget* window);

    /// Places the grip on its edge of the window's rectangle.
    void place();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Qt::Edges m_edges;
    bool m_dragging = false;
    QPoint m_pressPoint;
    QRect m_startGeometry;
};

} // namespace vorbel
