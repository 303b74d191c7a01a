#include "results/ui/ResultGridDelegate.h"

#include "results/JpegThumbnails.h"
#include "results/PriceMarks.h"
#include "results/ResultCellText.h"
#include "results/ResultGridModel.h"
#include "store/Columns.h"
#include "store/PictureCache.h"

#include <QPainter>
#include <QTableView>

namespace vorbel {

namespace {

constexpr int OverlayTop = 32;

Qt::Alignment alignmentOf(const QString& field)
{
    const bool left = field == column::bz1 || field == column::cpmc || field == column::hdxx;
    return (left ? Qt::AlignLeft : Qt::AlignHCenter) |
           (field == column::check ? Qt::AlignTop : Qt::AlignVCenter);
}

} // namespace

ResultGridDelegate::ResultGridDelegate(QTableView& view, const PictureCache& cache,
                                       ThumbnailCache& thumbnails, PictureRegistered registered)
    : QStyledItemDelegate(&view), m_view(view), m_cache(cache), m_thumbnails(thumbnails),
      m_registered(std::move(registered))
{
}

void ResultGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const QRect cell = option.rect;
    const QColor stripe = resultcell::stripe(index.row() + 1);
    const bool selected = index == m_view.currentIndex();
    const QString field = index.data(ResultGridModel::FieldRole).toString();
    const QString value = index.data(Qt::DisplayRole).toString();
    const QColor text =
        selected ? resultcell::textColour(true) : m_columnColours.value(field, resultcell::textColour(false));
    painter->fillRect(cell, stripe);
    drawDefault(painter, cell, field, value, text);

    const QString cph = index.data(ResultGridModel::ProductIdRole).toString();
    if (cph.isEmpty())
        return;
    if (field == column::bz1) {
        drawPicture(painter, cell, index, cph);
    } else if (field == column::rc) {
        if (auto overlay = resultcell::countText(value, index.data(ResultGridModel::ShopRole).toString()))
            drawOverlay(painter, cell, stripe, 10, *overlay, text);
    } else if (field == column::jg) {
        if (auto overlay = resultcell::priceText(value))
            drawOverlay(painter, cell, stripe, 10, *overlay, text);
        drawPriceMark(painter, cell, index);
    } else if (field == column::check) {
        const QString& check = value;
        if (auto overlay = resultcell::favouriteText(check))
            drawOverlay(painter, cell, stripe, 5, *overlay, resultcell::favouriteColour(check, text));
    }
}

void ResultGridDelegate::drawDefault(QPainter* painter, const QRect& cell, const QString& field,
                                     const QString& value, const QColor& colour) const
{
    if (value.isEmpty())
        return;
    painter->save();
    painter->setPen(colour);
    painter->setFont(m_view.font());
    painter->drawText(cell.adjusted(3, 2, -3, -2), int(alignmentOf(field)) | Qt::TextWordWrap, value);
    painter->restore();
}

void ResultGridDelegate::drawOverlay(QPainter* painter, const QRect& cell, const QColor& stripe, int left,
                                     const QString& text, const QColor& colour) const
{
    painter->save();
    painter->setClipRect(cell);
    painter->fillRect(cell, stripe);
    painter->setPen(colour);
    painter->setFont(m_view.font());
    const QRect area(cell.left() + left, cell.top() + OverlayTop, cell.width(), cell.height());
    painter->drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

void ResultGridDelegate::drawPriceMark(QPainter* painter, const QRect& cell, const QModelIndex& index) const
{
    const QString mark = index.data(ResultGridModel::PriceMarkRole).toString();
    const bool lowest = index.data(ResultGridModel::LowestPriceRole).toBool();
    if (mark.isEmpty() && !lowest)
        return;
    painter->save();
    painter->setClipRect(cell);
    QFont font = m_view.font();
    painter->setFont(font);
    // One line under the price, whose overlay starts at OverlayTop.
    const int top = cell.top() + OverlayTop + QFontMetrics(font).height();
    int left = cell.left() + 10;
    if (!mark.isEmpty()) {
        painter->setPen(index.data(ResultGridModel::PriceMarkColourRole).value<QColor>());
        painter->drawText(QRect(left, top, cell.right() - left, cell.bottom() - top),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, mark);
        left += QFontMetrics(font).horizontalAdvance(mark) + 3;
    }
    if (lowest) {
        QFont small = font;
        small.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.8 : 7);
        painter->setFont(small);
        painter->setPen(pricemark::lowestColour());
        painter->drawText(QRect(left, top, cell.right() - left, cell.bottom() - top),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, pricemark::lowestText());
    }
    painter->restore();
}

void ResultGridDelegate::drawPicture(QPainter* painter, const QRect& cell, const QModelIndex& index,
                                     const QString& cph) const
{
    const std::optional<QString> path = picturePath(cph);
    if (!path)
        return;
    if (!m_thumbnails.holds(*path, cell.size())) {
        if (m_thumbnails.preparing(*path, cell.size())) {
            m_putOff.push_back({cell, *path});
            return;
        }
        if (!PictureCache::isPlainFile(*path))
            return; // not here yet
        prepareShownPictures(index, cell.size());
    }
    const QImage picture = m_thumbnails.picture(*path, cell.size());
    if (!picture.isNull())
        painter->drawImage(cell, picture);
}

std::optional<QString> ResultGridDelegate::picturePath(const QString& cph) const
{
    if (cph.isEmpty() || !m_registered(cph))
        return std::nullopt;
    return m_cache.smallPicturePath(cph);
}

QStringList ResultGridDelegate::shownPicturePaths(int column) const
{
    const QAbstractItemModel* model = m_view.model();
    const int first = std::max(0, m_view.rowAt(0));
    int last = m_view.rowAt(m_view.viewport()->height() - 1);
    if (last < 0)
        last = model->rowCount() - 1;
    QStringList paths;
    for (int row = first; row <= last; ++row) {
        const QString cph = model->index(row, column).data(ResultGridModel::ProductIdRole).toString();
        if (const std::optional<QString> path = picturePath(cph))
            paths << *path;
    }
    return paths;
}

void ResultGridDelegate::prepareShownPictures(const QModelIndex& index, QSize size) const
{
    // The first picture a paint misses is mostly one of a screen that has none yet: the screen's pictures
    // are decoded together.
    m_thumbnails.prepare(shownPicturePaths(index.column()), size);
}

int ResultGridDelegate::pictureColumn() const
{
    const QAbstractItemModel* model = m_view.model();
    if (!model || model->rowCount() == 0)
        return -1;
    for (int column = 0; column < model->columnCount(); ++column) {
        if (model->index(0, column).data(ResultGridModel::FieldRole).toString() == column::bz1)
            return column;
    }
    return -1;
}

void ResultGridDelegate::beforeCells(const QRegion& region)
{
    m_putOff.clear();
    const int column = pictureColumn();
    if (column < 0 || m_view.isColumnHidden(column))
        return;
    // A paint that leaves the pictures' column alone (a cell lit under the pointer, say) decodes nothing.
    const QRect pictures(m_view.columnViewportPosition(column), 0, m_view.columnWidth(column),
                         m_view.viewport()->height());
    if (!region.intersects(pictures))
        return;
    // The size the view gives the column's cells: its section less the grid line.
    const int line = m_view.showGrid() ? 1 : 0;
    const QSize size(m_view.columnWidth(column) - line,
                     m_view.rowHeight(std::max(0, m_view.rowAt(0))) - line);
    QStringList missing;
    for (const QString& path : shownPicturePaths(column)) {
        if (!m_thumbnails.holds(path, size) && PictureCache::isPlainFile(path))
            missing << path;
    }
    if (!missing.isEmpty())
        m_thumbnails.startPreparing(missing, size);
}

void ResultGridDelegate::afterCells(QWidget& viewport)
{
    m_thumbnails.finishPreparing();
    if (m_putOff.empty())
        return;
    QPainter painter(&viewport);
    for (const PutOff& putOff : m_putOff) {
        const QImage picture = m_thumbnails.picture(putOff.path, putOff.cell.size());
        if (!picture.isNull())
            painter.drawImage(putOff.cell, picture);
    }
    m_putOff.clear();
}

} // namespace vorbel
