#include "widgets/PaintPassesTableView.h"

#include <QPaintEvent>

namespace vorbel {

void PaintPassesTableView::paintEvent(QPaintEvent* event)
{
    if (m_passes)
        m_passes->beforeCells(event->region());
    QTableView::paintEvent(event);
    if (m_passes)
        m_passes->afterCells(*viewport());
}

} // namespace vorbel
