#include "results/ResultGridDelegate.h"

#include "results/JpegThumbnails.h"
#include "results/ResultCellText.h"
#include "results/ResultGridModel.h"
#include "store/PictureCache.h"

#include <QPainter>
#include <QTableView>

namespace vorbel {

namespace {

constexpr int OverlayTop = 32;

Qt::Alignment alignmentOf(const QString& field)
{
    static const QStringList left{QStringLiteral("bz1"), QStringLiteral("cpmc"), QStringLiteral("hdxx")};
    const Qt::Alignment horizontal = left.contains(field) ? Qt::AlignLeft : Qt::AlignHCenter;
    return horizontal | (field == QLatin1String("check") ? Qt::AlignTop : Qt::AlignVCenter);
}

} // namespace

ResultGridDelegate::ResultGridDelegate(QTableView& view, const ResultGridModel& model,
                                       const PictureCache& cache, ThumbnailCache& thumbnails,
                                       PictureRegistered registered)
    : QStyledItemDelegate(&view), m_view(view), m_model(model), m_cache(cache), m_thumbnails(thumbnails),
      m_registered(std::move(registered))
{
}

void ResultGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const QRect cell = option.rect;
    const QColor stripe = resultcell::stripe(index.row() + 1);
    const bool selected = index == m_view.currentIndex();
    const QString field = m_model.field(index.column());
    const QColor text =
        selected ? resultcell::textColour(true) : m_columnColours.value(field, resultcell::textColour(false));
    painter->fillRect(cell, stripe);
    drawDefault(painter, cell, index, text);

    const QString cph = m_model.text(index.row(), QStringLiteral("cph"));
    if (cph.isEmpty())
        return;
    if (field == QLatin1String("bz1")) {
        drawPicture(painter, cell, cph);
    } else if (field == QLatin1String("rc")) {
        if (auto overlay = resultcell::countText(m_model.text(index.row(), QStringLiteral("rc")),
                                                 m_model.text(index.row(), QStringLiteral("sjlx"))))
            drawOverlay(painter, cell, stripe, 10, *overlay, text);
    } else if (field == QLatin1String("jg")) {
        if (auto overlay = resultcell::priceText(m_model.text(index.row(), QStringLiteral("jg"))))
            drawOverlay(painter, cell, stripe, 10, *overlay, text);
    } else if (field == QLatin1String("check")) {
        const QString check = m_model.text(index.row(), QStringLiteral("check"));
        if (auto overlay = resultcell::favouriteText(check))
            drawOverlay(painter, cell, stripe, 5, *overlay, resultcell::favouriteColour(check, text));
    }
}

void ResultGridDelegate::drawDefault(QPainter* painter, const QRect& cell, const QModelIndex& index,
                                     const QColor& colour) const
{
    const QString value = index.data(Qt::DisplayRole).toString();
    if (value.isEmpty())
        return;
    painter->save();
    painter->setPen(colour);
    painter->setFont(m_view.font());
    painter->drawText(cell.adjusted(3, 2, -3, -2),
                      int(alignmentOf(m_model.field(index.column()))) | Qt::TextWordWrap, value);
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

void ResultGridDelegate::drawPicture(QPainter* painter, const QRect& cell, const QString& cph) const
{
    if (!m_registered(cph))
        return;
    const std::optional<QString> path = m_cache.smallPicturePath(cph);
    if (!path)
        return;
    const QImage picture = m_thumbnails.picture(*path, cell.size());
    if (!picture.isNull())
        painter->drawImage(cell, picture);
}

} // namespace vorbel
