#include "results/ui/ResultGrid.h"

#include "platform/Downloader.h"
#include "platform/MessageBoxes.h"
#include "platform/PageLoader.h"
#include "platform/SystemBrowser.h"
#include "results/ResultGridModel.h"
#include "results/ResultTexts.h"
#include "results/ui/GridTools.h"
#include "results/ui/PriceChartWindow.h"
#include "results/ui/ResultGridDelegate.h"
#include "session/AppState.h"
#include "store/Columns.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "widgets/GridSupport.h"
#include "widgets/PaintPassesTableView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

namespace vorbel {

namespace {

std::array<int, ResultColumns.size()> designedWidths()
{
    std::array<int, ResultColumns.size()> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] = ResultColumns[i].width;
    return widths;
}

} // namespace

ResultGrid::ResultGrid(PaintPassesTableView& view, FindBar& findBar, const FeatureParts& parts)
    : QObject(&view), m_view(view), m_parts(parts),
      m_model(new ResultGridModel(parts.queries.ADOQuery2, ResultColumns, this))
{
    configureView();
    view.setPaintPasses(m_delegate);
    m_model->showPriceMarks(m_history, column::jg);
    m_tools =
        new GridTools(view, *m_model, findBar, parts.services, [] { return QStringLiteral("比价结果.csv"); });
    m_tools->addRowAction(resulttext::PriceChartCommand, [this](int row) { showPriceChart(row); });
    StandingQuery& pictures = parts.queries.qry1;
    connect(&pictures, &StandingQuery::reset, this, [this] { m_registerStale = true; });
    connect(&pictures, &StandingQuery::rowAppended, this, [this] { m_registerStale = true; });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_firstScreenDue = true; });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ResultGrid::paintFirstScreen);
    connect(&view, &QTableView::clicked, this, [this](const QModelIndex& index) {
        guarded(m_parts.services.messages, [&] { DBGridEh1CellClick(index); });
    });
    connect(view.horizontalHeader(), &QHeaderView::sectionClicked, this, &ResultGrid::DBGridEh1TitleBtnClick);
}

void ResultGrid::configureView()
{
    applyGridLook(m_view, *m_model, 80, designedWidths());
    m_delegate = new ResultGridDelegate(m_view, m_parts.pictures, m_thumbnails,
                                        [this](const QString& cph) { return isRegistered(cph); });
    m_view.setItemDelegate(m_delegate);
    m_view.horizontalHeader()->setSectionsClickable(true); // the price and popularity titles sort
    m_viewport = m_view.viewport();
    m_viewport->installEventFilter(this);
}

void ResultGrid::paintFirstScreen()
{
    // The reader posts a page's offers in one go, without the event loop: the screen a person sees first
    // is painted once its rows are in, rather than after the last of a thousand.
    if (!m_firstScreenDue || !m_view.isVisible())
        return;
    const int screenRows =
        m_view.viewport()->height() / std::max(1, m_view.verticalHeader()->defaultSectionSize());
    if (m_model->rowCount() <= screenRows)
        return;
    m_firstScreenDue = false;
    m_view.viewport()->repaint();
}

bool ResultGrid::isRegistered(const QString& cph)
{
    if (m_registerStale) {
        const StandingQuery& pictures = m_parts.queries.qry1;
        m_registered.clear();
        for (int row = 0; row < pictures.recordCount(); ++row)
            m_registered.insert(pictures.valueAt(row, column::tpid).toString());
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
    m_pointerY = position.y() + m_view.horizontalHeader()->height();
    const QModelIndex index = m_view.indexAt(position);
    if (!index.isValid() || index.column() == 0)
        return;
    const QString field = m_model->field(index.column());
    const int current = m_view.currentIndex().isValid() ? m_view.currentIndex().row() : -1;
    const bool hand = field == column::cpmc || field == column::jg ||
                      (field == column::check && current >= 0 &&
                       m_model->text(current, column::check) == searchtext::NotCollected);
    setGridCursor(m_view, hand);
    m_parts.largePicture.hidePicture();
}

void ResultGrid::DBGridEh1CellClick(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_parts.queries.ADOQuery2.setCurrentRow(index.row());
    const QString field = m_model->field(index.column());
    if (field == column::cpmc)
        openInBrowser(m_parts.services.browser, m_parts.services.messages,
                      QUrl(m_model->text(index.row(), column::cplj)));
    else if (field == column::check)
        collect(index.row());
    else if (field == column::bz1)
        showLargePicture(index.row());
    else if (field == column::jg)
        showPriceChart(index.row());
}

PriceChartWindow* ResultGrid::priceChart() const
{
    return m_chart.data();
}

void ResultGrid::showPriceChart(int row)
{
    const QString cph = m_model->text(row, column::cph);
    const QString sjlx = m_model->text(row, column::sjlx);
    if (const auto offer = chartedOffer(*m_model, row, collectedPriceOf(m_parts.database, cph, sjlx)))
        vorbel::showPriceChart(m_chart, m_view.window(), *offer, m_history.history(cph, sjlx));
}

void ResultGrid::collect(int row)
{
    const QString bh = m_model->text(row, column::bh);
    if (bh.isEmpty())
        return;
    m_parts.progress.hideBehind();
    MessageBoxes& messages = m_parts.services.messages;
    if (m_model->text(row, column::check) != searchtext::NotCollected) {
        messages.inform(resulttext::AlreadyCollected, MessageBoxes::Icon::Information);
        return;
    }
    StandingQuery& results = m_parts.queries.ADOQuery2;
    results.setCurrentRow(row);
    results.edit();
    results.setValue(column::check, searchtext::Collected);
    results.post();
    const AppState& state = m_parts.state;
    sendRequest(m_parts.services.network, this,
                serviceUrl(m_parts.services.config.serviceBase, QStringLiteral("/OpFav.aspx"),
                           {{QStringLiteral("u"), state.UserId},
                            {QStringLiteral("p"), state.UserPassword},
                            {QStringLiteral("i"), bh}}));
    messages.inform(resulttext::CollectDone, MessageBoxes::Icon::Information);
    m_parts.progress.hideBehind();
}

void ResultGrid::showLargePicture(int row)
{
    // The picture stands at the height of the click that asked for it, wherever the pointer is when it
    // arrives.
    const int top = m_pointerY - 55;
    fetchLargePicture(m_parts.pictures, m_parts.downloader, this, m_model->text(row, column::dtp),
                      m_model->text(row, column::cph), [this, top](const QString& path) {
                          m_parts.largePicture.showPicture(decodeJpegNear(path, QSize(340, 340)), top);
                      });
}

void ResultGrid::DBGridEh1TitleBtnClick(int section)
{
    const QString field = m_model->field(section);
    QHeaderView* header = m_view.horizontalHeader();
    if (field != column::jg && field != column::rc) {
        // The header moves its marker to any clicked title; only the sorted title keeps one.
        if (m_sortSection >= 0)
            header->setSortIndicator(m_sortSection, m_sortOrder);
        else
            header->setSortIndicatorShown(false);
        return;
    }
    m_parts.queries.ADOQuery2.setSort(m_sort.click(field));
    m_sortSection = section;
    m_sortOrder = m_sort.marker(field) == TitleSort::Marker::Down ? Qt::DescendingOrder : Qt::AscendingOrder;
    header->setSortIndicatorShown(true);
    header->setSortIndicator(section, m_sortOrder);
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

void ResultGrid::refreshPriceMarks()
{
    m_model->refreshPriceMarks();
}

void ResultGrid::colourColumns()
{
    m_delegate->setColumnColour(column::cpmc, QColor(0, 0, 255));
    m_delegate->setColumnColour(column::pjjb, QColor(128, 0, 64));
    m_view.viewport()->update();
}

} // namespace vorbel
