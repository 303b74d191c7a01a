// Commands that overlap: a second command while the first one's page or pictures still arrive. Each case
// runs the real window against the reference service, slowed down where the overlap needs time.
#include "testing/ServiceFavourites.h"
#include "testing/WindowHarness.h"
#include "testing/WindowLoads.h"

#include "app/HomeView.h"
#include "app/TitleBar.h"
#include "app/ToolBar.h"
#include "favourites/ui/FavouritesCommands.h"
#include "platform/Downloader.h"
#include "platform/PageLoader.h"
#include "results/ResultGridModel.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "widgets/BigPicturePanel.h"
#include "widgets/ProgressPanel.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace vorbel;
using vorbel::test::WindowHarness;

namespace {

constexpr int Deadline = 20000;
const QString FavouritesCount = QStringLiteral("您收藏的商品共有: ");
const QString DropsCount = QStringLiteral("您收藏的商品共有降价通知: ");

void waitForStartUp(Tfrmvorbel& window)
{
    QTRY_VERIFY_WITH_TIMEOUT(!window.state().UserId.isEmpty() && !window.state().LinkCodeA.isEmpty(),
                             Deadline);
    QTRY_VERIFY_WITH_TIMEOUT(!window.search()->reader().isReading(), Deadline);
}

bool busy(Tfrmvorbel& window)
{
    return test::somethingLoads(window);
}

/// Every answer of the service from now on waits this long, so pictures arrive while the user goes on.
void slowDown(WindowHarness& harness, int latencyMs, service::ServiceOptions options = {})
{
    options.latencyMs = latencyMs;
    QVERIFY(harness.reconfigureService(options));
}

void emptyPictureCache(Tfrmvorbel& window)
{
    QDir cache(window.pictureCache().folder());
    for (const QString& name : cache.entryList(QDir::Files))
        QVERIFY(cache.remove(name));
}

/// A typed search from the results view; returns once its page has been read (its pictures may follow).
void startTypedSearch(Tfrmvorbel& window, const QString& keyword)
{
    window.btn1Click();
    window.resultsView().Edt_word->setText(keyword);
    window.resultsView().suiButton1->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.queries()->ADOQuery2.recordCount() > 0, Deadline);
}

/// Three favourites collected straight on the service under the window's identity.
void collectThree(WindowHarness& harness, Tfrmvorbel& window)
{
    QCOMPARE(test::collectOnService(harness.service(), window.state().UserId.toStdString(), 3), 3);
}

QRect inWindow(const QWidget& widget, const Tfrmvorbel& window)
{
    return QRect(widget.mapTo(&window, QPoint(0, 0)), widget.size());
}

} // namespace

class OverlapTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theProgressPanelNeverCoversTheToolbar();
    void aLaterRetrievalIsTheOneShown();
    void aSearchGoingOnBehindTheFavouritesSaysNothing();
    void unTickingEveryShopIsNoNetworkFault();
    void aNewSearchLeavesOtherDownloadsAlone();
    void titlesThatDoNotSortKeepNoMarker();
    void aLinkThatDoesNotOpenSaysSo();
};

void OverlapTest::theProgressPanelNeverCoversTheToolbar()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    slowDown(harness, 300);
    window.toolBar().btn2->click();
    const ProgressPanel& panel = window.progressPanel();
    QVERIFY(panel.isVisible());
    const QRect shown = inWindow(panel, window);
    QVERIFY2(!shown.intersects(inWindow(window.toolBar(), window)), "the panel lies over the toolbar");
    QVERIFY2(!shown.intersects(inWindow(window.titleBar(), window)), "the panel lies over the title bar");
    QTRY_VERIFY_WITH_TIMEOUT(!window.favourites()->isLoading(), Deadline);

    // A small window keeps the toolbar clear too: the panel is cut at the views, never drawn over the bars.
    window.resize(400, 260);
    window.toolBar().btn3->click();
    QVERIFY(panel.isVisible());
    const QRect visible = inWindow(panel, window).intersected(inWindow(*panel.parentWidget(), window));
    QVERIFY(!visible.intersects(inWindow(window.toolBar(), window)));
    QTRY_VERIFY_WITH_TIMEOUT(!window.favourites()->isLoading(), Deadline);
}

void OverlapTest::aLaterRetrievalIsTheOneShown()
{
    QTemporaryDir data; // the favourites outlive the service's restart with other options
    service::ServiceOptions options;
    options.dataDir = data.path().toStdString();
    WindowHarness harness(options);
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    collectThree(harness, window);
    StandingQuery& favourites = window.queries()->ADOQuery3;
    // Move the service's clock a day at a time (its prices move once a day) until some collected price
    // has fallen.
    int drops = 0;
    for (int day = 0; day < 60 && drops == 0; ++day) {
        harness.m_serviceNow += 24 * 3600;
        window.favourites()->btn3Click();
        QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
        drops = favourites.recordCount();
    }
    QVERIFY(drops > 0);

    // The favourites list's pictures still arrive when the price-drop list is asked for.
    emptyPictureCache(window);
    slowDown(harness, 400, options);
    const int pages = harness.service().requestCount("/ListAllMyFav.aspx");
    window.toolBar().btn2->click();
    QTRY_VERIFY_WITH_TIMEOUT(favourites.recordCount() == 3, Deadline);
    QVERIFY(window.downloader().pending() > 0);
    window.toolBar().btn3->click();
    QTRY_VERIFY_WITH_TIMEOUT(
        !busy(window) && harness.service().requestCount("/ListAllMyFav.aspx") == pages + 2, Deadline);
    QCOMPARE(favourites.recordCount(), drops);
    QCOMPARE(window.statusText(), DropsCount + QString::number(drops) + QStringLiteral(" 条记录"));
    QVERIFY(!window.progressPanel().isVisible());
    QVERIFY(harness.messages().texts().isEmpty());
}

void OverlapTest::aSearchGoingOnBehindTheFavouritesSaysNothing()
{
    service::ServiceOptions options;
    options.pageSize = 30;
    WindowHarness harness(options);
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    slowDown(harness, 300, options);
    startTypedSearch(window, QStringLiteral("背景搜索"));
    QVERIFY(window.search()->reader().isReading()); // thirty pictures, six at a time, 300 ms each

    window.toolBar().btn2->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window.favourites()->isLoading(), Deadline);
    QVERIFY2(window.search()->reader().isReading(), "the search ended before the favourites did");
    QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
    QVERIFY2(window.statusText().startsWith(FavouritesCount), qPrintable(window.statusText()));
    QVERIFY(!window.progressPanel().isVisible());
    // Back on the results, their count is there.
    window.btn1Click();
    QCOMPARE(window.statusText(), QStringLiteral("比价搜索结果有: 30 条记录"));
}

void OverlapTest::unTickingEveryShopIsNoNetworkFault()
{
    service::ServiceOptions options;
    options.pageSize = 24;
    WindowHarness harness(options);
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    slowDown(harness, 300, options);
    startTypedSearch(window, QStringLiteral("全部取消"));
    QVERIFY(window.search()->reader().isReading());
    for (std::size_t shop = 1; shop < window.resultsView().shopBoxes.size(); ++shop)
        window.resultsView().shopBoxes[shop]->setChecked(false);
    QCOMPARE(window.queries()->ADOQuery2.recordCount(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
    QVERIFY2(harness.messages().texts().isEmpty(), qPrintable(harness.messages().texts().join(u'|')));
    QCOMPARE(window.statusText(), QStringLiteral("本次搜索结果有: 24 条记录"));
    QCOMPARE(window.queries()->ADOQuery2.recordCount(), 0); // the boxes still hold
}

void OverlapTest::aNewSearchLeavesOtherDownloadsAlone()
{
    QTemporaryDir data;
    service::ServiceOptions options;
    options.pageSize = 12;
    options.dataDir = data.path().toStdString();
    WindowHarness harness(options);
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    collectThree(harness, window);
    emptyPictureCache(window);
    slowDown(harness, 300, options);

    // A favourites list whose pictures are on their way, then a search.
    window.toolBar().btn2->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.queries()->ADOQuery3.recordCount() == 3, Deadline);
    QVERIFY(window.favourites()->isLoading());
    startTypedSearch(window, QStringLiteral("两件事"));
    QTRY_VERIFY_WITH_TIMEOUT(!window.favourites()->isLoading(), Deadline);

    // A large picture asked for, then another search: the picture still comes and the hourglass goes.
    QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
    ResultGrid& grid = window.search()->grid();
    grid.DBGridEh1CellClick(grid.model().index(0, 0));
    QVERIFY(QGuiApplication::overrideCursor());
    window.resultsView().suiButton1->click();
    QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
    QVERIFY2(!QGuiApplication::overrideCursor(), "the hourglass stayed");
    QVERIFY(window.bigPanel().isVisible());
}

void OverlapTest::titlesThatDoNotSortKeepNoMarker()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    startTypedSearch(window, QStringLiteral("排序"));
    QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
    QHeaderView* header = window.resultsView().DBGridEh1->horizontalHeader();
    const auto clickTitle = [header](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
    };
    clickTitle(1); // 商品名称
    QVERIFY(!header->isSortIndicatorShown() || header->sortIndicatorSection() != 1);
    clickTitle(3); // 价格
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), 3);
    clickTitle(5); // 商家
    QCOMPARE(header->sortIndicatorSection(), 3);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    // The sortable titles carry their hints.
    const ResultGridModel& model = window.search()->grid().model();
    QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QStringLiteral("列表可按价格排序"));
    QCOMPARE(model.headerData(4, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QStringLiteral("列表可按人气排序"));
}

void OverlapTest::aLinkThatDoesNotOpenSaysSo()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    startTypedSearch(window, QStringLiteral("链接"));
    QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
    StandingQuery& results = window.queries()->ADOQuery2;
    results.setCurrentRow(0);
    results.edit();
    results.setValue(column::cplj, QStringLiteral("javascript:alert(1)"));
    results.post();
    harness.messages().clear();
    ResultGrid& grid = window.search()->grid();
    grid.DBGridEh1CellClick(grid.model().index(0, 1));
    QVERIFY(harness.browser().opened().isEmpty());
    QVERIFY2(harness.messages().texts().value(0).startsWith(QStringLiteral("无法在浏览器中打开网页")),
             qPrintable(harness.messages().texts().value(0)));
}

QTEST_MAIN(OverlapTest)
#include "OverlapTest.moc"
