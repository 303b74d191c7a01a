#include "favourites/FavouritesGrid.h"

#include "app/BigPicturePanel.h"
#include "app/Look.h"
#include "app/Uzjm.h"
#include "favourites/FavouriteCellText.h"
#include "platform/Downloader.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "platform/SystemBrowser.h"
#include "results/GridSupport.h"
#include "results/ResultGridModel.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>

namespace vorbel {

namespace {

const QStringList Fields{QStringLiteral("bz1"),  QStringLiteral("cpmc"), QStringLiteral("scsj"),
                         QStringLiteral("scjg"), QStringLiteral("gxjg"), QStringLiteral("sjlx"),
                         QStringLiteral("bz2")};
const QStringList Titles{QStringLiteral("图片"),     QStringLiteral("商品名称"), QStringLiteral("收藏时间"),
                         QStringLiteral("收藏价格"), QStringLiteral("更新价格"), QStringLiteral("商家"),
                         QStringLiteral("操作")};
constexpr int DesignedWidths[] = {88, 300, 150, 80, 80, 80, 100};
const QColor CellBrush(238, 247, 255);

} // namespace

/// Paints the favourites grid's cells.
class FavouritesDelegate : public QStyledItemDelegate
{
public:
    FavouritesDelegate(QTableView& view, const ResultGridModel& model, const PictureCache& cache,
                       ThumbnailCache& thumbnails)
        : QStyledItemDelegate(&view), m_view(view), m_model(model), m_cache(cache), m_thumbnails(thumbnails)
    {
    }

    QHash<QString, QColor> columnColours;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect cell = option.rect;
        const QString field = m_model.field(index.column());
        const bool selected = index == m_view.currentIndex();
        const QColor text = selected ? QColor(255, 0, 0) : columnColours.value(field, Qt::black);
        painter->fillRect(cell, CellBrush);
        drawText(painter, cell, index.data().toString(), text,
                 field == QLatin1String("cpmc") ? Qt::AlignLeft : Qt::AlignHCenter,
                 field == QLatin1String("gxjg"));
        const int row = index.row();
        if (m_model.text(row, QStringLiteral("cph")).isEmpty())
            return;
        if (field == QLatin1String("bz1")) {
            if (auto path = m_cache.smallPicturePath(m_model.text(row, QStringLiteral("cph")))) {
                const QImage picture = m_thumbnails.picture(*path, cell.size());
                if (!picture.isNull())
                    painter->drawImage(cell, picture);
            }
        } else if (field == QLatin1String("scjg")) {
            if (auto overlay = favouritecell::collectedPriceText(m_model.text(row, QStringLiteral("scjg"))))
                drawOverlay(painter, cell, *overlay, text, false);
        } else if (field == QLatin1String("gxjg")) {
            if (auto change = favouritecell::currentPriceText(m_model.text(row, QStringLiteral("scjg")),
                                                              m_model.text(row, QStringLiteral("gxjg"))))
                drawOverlay(painter, cell, change->text,
                            selected && change->colour.red() == 255 ? text : change->colour, true);
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
    const ResultGridModel& m_model;
    const PictureCache& m_cache;
    ThumbnailCache& m_thumbnails;
};

FavouritesGrid::FavouritesGrid(QTableView& view, Tfrmvorbel& window)
    : QObject(&view), m_view(view), m_window(window),
      m_model(new ResultGridModel(window.queries()->ADOQuery3, Fields, Titles, this))
{
    configureView();
    connect(&view, &QTableView::clicked, this,
            [this](const QModelIndex& index) { m_window.guarded([&] { DBGridEh2CellClick(index); }); });
}

void FavouritesGrid::configureView()
{
    m_view.setModel(m_model);
    m_delegate = new FavouritesDelegate(m_view, *m_model, m_window.pictureCache(), m_thumbnails);
    m_view.setItemDelegate(m_delegate);
    applyGridLook(m_view, 87, DesignedWidths);
    m_viewport = m_view.viewport();
    m_viewport->installEventFilter(this);
}

void FavouritesGrid::colourColumns()
{
    m_delegate->columnColours.insert(QStringLiteral("cpmc"), QColor(0, 0, 255));
    m_delegate->columnColours.insert(QStringLiteral("bz2"), QColor(0, 0, 255));
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
    m_lastY = position.y() + m_view.horizontalHeader()->height();
    const QModelIndex index = m_view.indexAt(position);
    if (!index.isValid() || index.column() == 0)
        return;
    const QString field = m_model->field(index.column());
    setApplicationCursor(field == QLatin1String("cpmc") || field == QLatin1String("bz2")
                             ? Qt::PointingHandCursor
                             : Qt::ArrowCursor);
    m_window.hideBigPicture();
}

void FavouritesGrid::DBGridEh2CellClick(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_window.queries()->ADOQuery3.setCurrentRow(index.row());
    const QString field = m_model->field(index.column());
    if (field == QLatin1String("cpmc"))
        m_window.services().browser.openUrl(QUrl(m_model->text(index.row(), QStringLiteral("cplj"))));
    else if (field == QLatin1String("bz2"))
        deleteFavourite(index.row());
    else if (field == QLatin1String("bz1"))
        showLargePicture(index.row());
}

void FavouritesGrid::deleteFavourite(int row)
{
    const QString ufid = m_model->text(row, QStringLiteral("ufid")).trimmed();
    if (ufid.isEmpty())
        return;
    if (!m_window.services().messages.confirm(QStringLiteral("确定删除当前选择的收藏商品吗？ ")))
        return;
    const AppState& state = m_window.state();
    m_window.wbwebb().Navigate(serviceUrl(m_window.services().config.serviceBase,
                                          QStringLiteral("/OpFav.aspx"),
                                          {{QStringLiteral("u"), state.UserId},
                                           {QStringLiteral("p"), state.UserPassword},
                                           {QStringLiteral("uf"), ufid}}));
    StandingQuery& favourites = m_window.queries()->ADOQuery3;
    favourites.setCurrentRow(row);
    favourites.deleteCurrent();
    const QString stem = state.PageMode == AppState::PriceDrops ? QStringLiteral("您收藏的商品共有降价通知: ")
                                                                : QStringLiteral("您收藏的商品共有: ");
    if (state.PageMode != AppState::Search)
        m_window.setStatusText(stem + QString::number(favourites.recordCount()) + QStringLiteral(" 条记录"));
}

void FavouritesGrid::showLargePicture(int row)
{
    fetchLargePicture(m_window, this, m_model->text(row, QStringLiteral("dtp")),
                      m_model->text(row, QStringLiteral("cph")), [this](const QString& path) {
                          // Near the bottom of the window the picture stands 370 pixels above its edge.
                          const int formHeight = m_window.height();
                          const int top = formHeight < m_lastY + 300 ? formHeight - 370 : m_lastY - 30;
                          m_window.bigPanel().showPicture(decodeJpegNear(path, QSize(340, 340)), top);
                      });
}

} // namespace vorbel
