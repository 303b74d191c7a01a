#include "favourites/ui/FavouritesGrid.h"

#include "favourites/FavouriteCellText.h"
#include "favourites/FavouriteColumns.h"
#include "favourites/FavouritesTexts.h"
#include "platform/Downloader.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "platform/SystemBrowser.h"
#include "results/PriceMarks.h"
#include "results/ResultGridModel.h"
#include "results/ResultTexts.h"
#include "results/ui/GridTools.h"
#include "results/ui/PriceChartWindow.h"
#include "session/AppState.h"
#include "store/Columns.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "widgets/GridSupport.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>

namespace vorbel {

namespace {

std::array<int, FavouriteColumns.size()> designedWidths()
{
    std::array<int, FavouriteColumns.size()> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] = FavouriteColumns[i].width;
    return widths;
}

const QColor CellBrush(238, 247, 255);

} // namespace
/// Paints the favourites grid's cells.
class FavouritesDelegate : public QStyledItemDelegate
{
public:
    FavouritesDelegate(QTableView& view, const PictureCache& cache, ThumbnailCache& thumbnails)
        : QStyledItemDelegate(&view), m_view(view), m_cache(cache), m_thumbnails(thumbnails)
    {
    }

    QHash<QString, QColor> columnColours;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect cell = option.rect;
        const QString field = index.data(ResultGridModel::FieldRole).toString();
        const QString value = index.data(Qt::DisplayRole).toString();
        const bool selected = index == m_view.currentIndex();
        const QColor text = selected ? QColor(255, 0, 0) : columnColours.value(field, Qt::black);
        painter->fillRect(cell, CellBrush);
        drawText(painter, cell, value, text, field == column::cpmc ? Qt::AlignLeft : Qt::AlignHCenter,
                 field == column::gxjg);
        const QString cph = index.data(ResultGridModel::ProductIdRole).toString();
        if (cph.isEmpty())
            return;
        if (field == column::bz1) {
            if (auto path = m_cache.smallPicturePath(cph)) {
                const QImage picture = m_thumbnails.picture(*path, cell.size());
                if (!picture.isNull())
                    painter->drawImage(cell, picture);
            }
        } else if (field == column::scjg) {
            if (auto overlay = favouritecell::collectedPriceText(value))
                drawOverlay(painter, cell, *overlay, text, false);
        } else if (field == column::gxjg) {
            if (auto change = favouritecell::currentPriceText(
                    index.data(ResultGridModel::CollectedPriceRole).toString(), value))
                drawOverlay(painter, cell, change->text,
                            selected && change->colour.red() == 255 ? text : change->colour, true);
            if (index.data(ResultGridModel::LowestPriceRole).toBool())
                drawLowestMark(painter, cell);
        }
    }

private:
    void drawText(QPainter* painter, const QRect& cell, const QString& value, const QColor& colour,
                  Qt::Alignment horizontal, bool bold) const
    {
        if (value.isEmpty())
            return;
        painter->save();
        QFont font = m_view.font();
        font.setBold(bold);
        painter->setFont(font);
        painter->setPen(colour);
        painter->drawText(cell.adjusted(3, 2, -3, -2), int(horizontal | Qt::AlignVCenter) | Qt::TextWordWrap,
                          value);
        painter->restore();
    }

    /// At the foot of the current price's cell, clear of both the centred price and the change overlay.
    void drawLowestMark(QPainter* painter, const QRect& cell) const
    {
        painter->save();
        painter->setClipRect(cell);
        QFont font = m_view.font();
        font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.8 : 7);
        painter->setFont(font);
        painter->setPen(pricemark::lowestColour());
        painter->drawText(cell.adjusted(10, 2, -3, -4), Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                          pricemark::lowestText());
        painter->restore();
    }

    void drawOverlay(QPainter* painter, const QRect& cell, const QString& value, const QColor& colour,
                     bool bold) const
    {
        painter->save();
        painter->setClipRect(cell);
        painter->fillRect(cell, CellBrush);
        QFont font = m_view.font();
        font.setBold(bold);
        painter->setFont(font);
        painter->setPen(colour);
        painter->drawText(QRect(cell.left() + 10, cell.top() + 32, cell.width(), cell.height()),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, value);
        painter->restore();
    }

    QTableView& m_view;
    const PictureCache& m_cache;
    ThumbnailCache& m_thumbnails;
};

FavouritesGrid::FavouritesGrid(QTableView& view, FindBar& findBar, const FeatureParts& parts)
    : QObject(&view), m_view(view), m_parts(parts),
      m_model(new ResultGridModel(parts.queries.ADOQuery3, FavouriteColumns, this))
{
    configureView();
    m_model->showPriceMarks(m_history, column::gxjg);
    // The file is named after the list the grid holds at the moment of the export.
    m_tools = new GridTools(view, *m_model, findBar, parts.services, [this] {
        return m_parts.state.PageMode == AppState::PriceDrops ? QStringLiteral("商品降价通知.csv")
                                                              : QStringLiteral("商品收藏夹.csv");
    });
    m_tools->addRowAction(resulttext::PriceChartCommand, [this](int row) { showPriceChart(row); });
    connect(&view, &QTableView::clicked, this, [this](const QModelIndex& index) {
        guarded(m_parts.services.messages, [&] { DBGridEh2CellClick(index); });
    });
}

void FavouritesGrid::configureView()
{
    applyGridLook(m_view, *m_model, 87, designedWidths());
    m_delegate = new FavouritesDelegate(m_view, m_parts.pictures, m_thumbnails);
    m_view.setItemDelegate(m_delegate);
    m_viewport = m_view.viewport();
    m_viewport->installEventFilter(this);
}

void FavouritesGrid::refreshPriceMarks()
{
    m_model->refreshPriceMarks();
}

void FavouritesGrid::colourColumns()
{
    m_delegate->columnColours.insert(column::cpmc, QColor(0, 0, 255));
    m_delegate->columnColours.insert(column::bz2, QColor(0, 0, 255));
    m_view.viewport()->update();
}

bool FavouritesGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_viewport && event->type() == QEvent::MouseMove)
        DBGridEh2MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    return QObject::eventFilter(watched, event);
}

void FavouritesGrid::DBGridEh2MouseMove(QPoint position)
{
    m_pointerY = position.y() + m_view.horizontalHeader()->height();
    const QModelIndex index = m_view.indexAt(position);
    if (!index.isValid() || index.column() == 0)
        return;
    const QString field = m_model->field(index.column());
    setGridCursor(m_view, field == column::cpmc || field == column::bz2 || field == column::scjg ||
                              field == column::gxjg);
    m_parts.largePicture.hidePicture();
}

void FavouritesGrid::DBGridEh2CellClick(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_parts.queries.ADOQuery3.setCurrentRow(index.row());
    const QString field = m_model->field(index.column());
    if (field == column::cpmc)
        openInBrowser(m_parts.services.browser, m_parts.services.messages,
                      QUrl(m_model->text(index.row(), column::cplj)));
    else if (field == column::bz2)
        deleteFavourite(index.row());
    else if (field == column::bz1)
        showLargePicture(index.row());
    else if (field == column::scjg || field == column::gxjg)
        showPriceChart(index.row());
}

PriceChartWindow* FavouritesGrid::priceChart() const
{
    return m_chart.data();
}

void FavouritesGrid::showPriceChart(int row)
{
    const QString collected = m_model->text(row, column::scjg);
    const auto offer =
        chartedOffer(*m_model, row, collected.isEmpty() ? std::nullopt : std::optional<QString>(collected));
    if (offer)
        vorbel::showPriceChart(m_chart, m_view.window(), *offer, m_history.history(offer->cph, offer->sjlx));
}

void FavouritesGrid::deleteFavourite(int row)
{
    const QString ufid = m_model->text(row, column::ufid).trimmed();
    if (ufid.isEmpty())
        return;
    if (!m_parts.services.messages.confirm(favouritetext::ConfirmDelete))
        return;
    const AppState& state = m_parts.state;
    sendRequest(m_parts.services.network, this,
                serviceUrl(m_parts.services.config.serviceBase, QStringLiteral("/OpFav.aspx"),
                           {{QStringLiteral("u"), state.UserId},
                            {QStringLiteral("p"), state.UserPassword},
                            {QStringLiteral("uf"), ufid}}));
    StandingQuery& favourites = m_parts.queries.ADOQuery3;
    favourites.setCurrentRow(row);
    favourites.deleteCurrent();
    if (state.PageMode != AppState::Search)
        m_parts.status.setStatusText(
            favouritetext::countStatus(state.PageMode == AppState::PriceDrops, favourites.recordCount()));
}

void FavouritesGrid::showLargePicture(int row)
{
    const int pointerY = m_pointerY; // the height of the click that asked for the picture
    fetchLargePicture(m_parts.pictures, m_parts.downloader, this, m_model->text(row, column::dtp),
                      m_model->text(row, column::cph), [this, pointerY](const QString& path) {
                          // Near the bottom of the window the picture stands 370 pixels above its edge.
                          const int formHeight = m_view.window()->height();
                          const int top = formHeight < pointerY + 300 ? formHeight - 370 : pointerY - 30;
                          m_parts.largePicture.showPicture(decodeJpegNear(path, QSize(340, 340)), top);
                      });
}

} // namespace vorbel
