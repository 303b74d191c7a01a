#include "widgets/PaintPassesTableView.h"

namespace vorbel {

void PaintPassesTableView::paintEvent(QPaintEvent* event)
{
    if (m_passes)
        m_passes->beforeCells();
    QTableView::paintEvent(event);
    if (m_passes)
        m_passes->afterCells(*viewport());
}

} // namespace vorbel
