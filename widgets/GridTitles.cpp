#include "widgets/GridTitles.h"

namespace vorbel {

GridTitles::GridTitles(int height, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), m_height(height)
{
    setFixedHeight(height);
    // As on the header a table view makes for itself.
    setSectionsClickable(true);
    setHighlightSections(true);
}

QSize GridTitles::sizeHint() const
{
    return {length(), m_height};
}

} // namespace vorbel
