#include "results/ResultGrid.h"

#include "app/BigPicturePanel.h"
#include "app/Look.h"
#include "app/ProgressPanel.h"
#include "app/Uzjm.h"
#include "platform/Downloader.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "platform/SystemBrowser.h"
#include "results/GridSupport.h"
#include "results/ResultGridDelegate.h"
#include "results/ResultGridModel.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

namespace vorbel {

namespace {

const QStringList Fields{QStringLiteral("bz1"),  QStringLiteral("cpmc"), QStringLiteral("hdxx"),
                         QStringLiteral("jg"),   QStringLiteral("rc"),   QStringLiteral("sjlx"),
                         QStringLiteral("zpbz"), QStringLiteral("pjjb"), QStringLiteral("check")};
const QStringList Titles{QStringLiteral("图片"), QStringLiteral("商品名称"), QStringLiteral("优惠"),
                         QStringLiteral("价格"), QStringLiteral("人气"),     QStringLiteral("商家"),
                         QStringLiteral("正品"), QStringLiteral("推荐等级"), QStringLiteral("收藏")};
constexpr int DesignedWidths[] = {82, 300, 150, 80, 80, 80, 50, 90, 100};
const QString NotCollected = QStringLiteral("点击收藏");

} // namespace

ResultGrid::ResultGrid(QTableView& view, Tfrmvorbel& window)
    : QObject(&view), m_view(view), m_window(window),
      m_model(new ResultGridModel(window.queries()->ADOQuery2, Fields, Titles, this))
{
    configureView();
    StandingQuery& pictures = window.queries()->qry1;
    connect(&pictures, &StandingQuery::reset, this, [this] { m_registerStale = true; });
    connect(&pictures, &StandingQuery::rowAppended, this, [this] { m_registerStale = true; });
    connect(&view, &QTableView::clicked, this,
            [this](const QModelIndex& index) { m_window.guarded([&] { DBGridEh1CellClick(index); }); });
    connect(view.horizontalHeader(), &QHeaderView::sectionClicked, this, &ResultGrid::DBGridEh1TitleBtnClick);
}

void ResultGrid::configureView()
{
    m_view.setModel(m_model);
    m_delegate = new ResultGridDelegate(m_view, *m_model, m_window.pictureCache(), m_thumbnails,
                                        [this](const QString& cph) { return isRegistered(cph); });
    m_view.setItemDelegate(m_delegate);
    applyGridLook(m_view, 80, DesignedWidths);
    m_view.horizontalHeader()->setSectionsClickable(true); // the price and popularity titles sort
    m_model->setHeaderData(3, Qt::Horizontal, QStringLiteral("列表可按价格排序"), Qt::ToolTipRole);
    m_viewport = m_view.viewport();
    m_viewport->installEventFilter(this);
}

bool ResultGrid::isRegistered(const QString& cph)
{
    if (m_registerStale) {
        const StandingQuery& pictures = m_window.queries()->qry1;
        m_registered.clear();
        for (int row = 0; row < pictures.recordCount(); ++row)
            m_registered.insert(pictures.valueAt(row, QStringLiteral("tpid")).toString());
        m_registerStale = false;
    }
    return !cph.isEmpty() && m_registered.contains(cph);
}

bool ResultGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_viewport && event->type() == QEvent::MouseMove)
        DBGridEh1MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    return QObject::eventFilter(watched, event);
}

void ResultGrid::DBGridEh1MouseMove(QPoint position)
{
    m_window.state().GridMouseY = position.y() + m_view.horizontalHeader()->height();
    const QModelIndex index = m_view.indexAt(position);
    if (!index.isValid() || index.column() == 0)
        return;
    const QString field = m_model->field(index.column());
    const int current = m_view.currentIndex().isValid() ? m_view.currentIndex().row() : -1;
    const bool hand =
        field == QLatin1String("cpmc") || (field == QLatin1String("check") && current >= 0 &&
                                           m_model->text(current, QStringLiteral("check")) == NotCollected);
    setApplicationCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
    m_window.hideBigPicture();
}

void ResultGrid::DBGridEh1CellClick(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_window.queries()->ADOQuery2.setCurrentRow(index.row());
    const QString field = m_model->field(index.column());
    if (field == QLatin1String("cpmc"))
        m_window.services().browser.openUrl(QUrl(m_model->text(index.row(), QStringLiteral("cplj"))));
    else if (field == QLatin1String("check"))
        collect(index.row());
    else if (field == QLatin1String("bz1"))
        showLargePicture(index.row());
}

void ResultGrid::collect(int row)
{
    const QString bh = m_model->text(row, QStringLiteral("bh"));
    if (bh.isEmpty())
        return;
    m_window.progressPanel().hideBehind();
    MessageBoxes& messages = m_window.services().messages;
    if (m_model->text(row, QStringLiteral("check")) != NotCollected) {
        messages.inform(QStringLiteral("当前选择的商品已经被收藏，请检验。"),
                        MessageBoxes::Icon::Information);
        return;
    }
    StandingQuery& results = m_window.queries()->ADOQuery2;
    results.setCurrentRow(row);
    results.edit();
    results.setValue(QStringLiteral("check"), QStringLiteral("已收藏"));
    results.post();
    const AppState& state = m_window.state();
    m_window.WebBrowser1().Navigate(serviceUrl(m_window.services().config.serviceBase,
                                               QStringLiteral("/OpFav.aspx"),
                                               {{QStringLiteral("u"), state.UserId},
                                                {QStringLiteral("p"), state.UserPassword},
                                                {QStringLiteral("i"), bh}}));
    messages.inform(QStringLiteral("当前选择的商品点击收藏成功！"), MessageBoxes::Icon::Information);
    m_window.progressPanel().hideBehind();
}

void ResultGrid::showLargePicture(int row)
{
    fetchLargePicture(m_window, this, m_model->text(row, QStringLiteral("dtp")),
                      m_model->text(row, QStringLiteral("cph")), [this](const QString& path) {
                          m_window.bigPanel().showPicture(decodeJpegNear(path, QSize(340, 340)),
                                                          m_window.state().GridMouseY - 55);
                      });
}

void ResultGrid::DBGridEh1TitleBtnClick(int column)
{
    const QString field = m_model->field(column);
    if (field != QLatin1String("jg") && field != QLatin1String("rc"))
        return;
    m_window.queries()->ADOQuery2.setSort(m_sort.click(field));
    QHeaderView* header = m_view.horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, m_sort.marker(field) == TitleSort::Marker::Down ? Qt::DescendingOrder
                                                                                     : Qt::AscendingOrder);
}

QString ResultGrid::sortMarker(const QString& field) const
{
    switch (m_sort.marker(field)) {
    case TitleSort::Marker::Down:
        return QStringLiteral("down");
    case TitleSort::Marker::Up:
        return QStringLiteral("up");
    default:
        return QStringLiteral("none");
    }
}

void ResultGrid::colourColumns()
{
    m_delegate->setColumnColour(QStringLiteral("cpmc"), QColor(0, 0, 255));
    m_delegate->setColumnColour(QStringLiteral("pjjb"), QColor(128, 0, 64));
    m_view.viewport()->update();
}

} // namespace vorbel
