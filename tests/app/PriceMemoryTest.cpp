// The price memory as the user meets it: marks and the price-history window after searches on two service
// days, and the quiet price-drop check with its notification.
#include "testing/ServiceFavourites.h"
#include "testing/WindowHarness.h"

#include "favourites/DropAlerts.h"
#include "favourites/ui/DropNotices.h"
#include "favourites/ui/FavouritesCommands.h"
#include "favourites/ui/FavouritesGrid.h"
#include "results/ResultCellText.h"
#include "results/ResultGridModel.h"
#include "results/ui/GridTools.h"
#include "results/ui/PriceChartWindow.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "store/Columns.h"
#include "store/StandingQueries.h"

#include <QAbstractAxis>
#include <QAction>
#include <QChart>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace vorbel;
using vorbel::test::WindowHarness;

class PriceMemoryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void marksAndTheHistoryWindowAfterSearchesOnTwoDays();
    void favouritesHistoryShowsTheCollectedPrice();
    void freshDropsAreNotifiedOnceAndTheClickShowsThem();
    void withoutATrayNothingIsCheckedQuietly();
};

namespace {

constexpr int Deadline = 20000;
constexpr std::int64_t Day = 24 * 3600;

void waitForStartUp(Tfrmvorbel& window)
{
    QTRY_VERIFY_WITH_TIMEOUT(!window.state().UserId.isEmpty() && !window.state().LinkCodeA.isEmpty(),
                             Deadline);
    QTRY_VERIFY_WITH_TIMEOUT(!window.search()->reader().isReading(), Deadline);
}

void search(Tfrmvorbel& window, const QString& keyword)
{
    window.btn1Click();
    window.resultsView().Edt_word->setText(keyword);
    window.resultsView().suiButton1->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.statusText().startsWith(QStringLiteral("本次搜索结果有")) &&
                                 !window.search()->reader().isReading(),
                             Deadline);
}

int columnOf(const ResultGridModel& model, QLatin1String field)
{
    for (int column = 0; column < model.columnCount(); ++column)
        if (model.field(column) == field)
            return column;
    return -1;
}

QString markAt(const ResultGridModel& model, int row)
{
    return model.data(model.index(row, columnOf(model, column::jg)), ResultGridModel::PriceMarkRole)
        .toString();
}

int rowWhere(const ResultGridModel& model, const std::function<bool(int)>& holds)
{
    for (int row = 0; row < model.rowCount(); ++row)
        if (holds(row))
            return row;
    return -1;
}

} // namespace

void PriceMemoryTest::marksAndTheHistoryWindowAfterSearchesOnTwoDays()
{
    service::ServiceOptions options;
    options.pageSize = 200; // enough offers that a day surely moves some each way and leaves some
    WindowHarness harness(options);
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    search(window, QStringLiteral("ipod"));
    ResultGrid& grid = window.search()->grid();
    const ResultGridModel& model = grid.model();
    QVERIFY(model.rowCount() > 5);
    QCOMPARE(markAt(model, 0), QStringLiteral("新"));

    harness.m_serviceNow += Day;
    // The memory counts in whole seconds: a sighting in the same second as the first is no second one.
    QTest::qWait(1100);
    search(window, QStringLiteral("ipod"));
    const int fell =
        rowWhere(model, [&](int row) { return markAt(model, row).startsWith(QStringLiteral("↓")); });
    const int rose =
        rowWhere(model, [&](int row) { return markAt(model, row).startsWith(QStringLiteral("↑")); });
    const int kept = rowWhere(model, [&](int row) { return markAt(model, row).isEmpty(); });
    QVERIFY2(fell >= 0 && rose >= 0 && kept >= 0, "a day moves some prices down, some up and leaves some");
    const QModelIndex fellPrice = model.index(fell, columnOf(model, column::jg));
    QVERIFY(model.data(fellPrice, ResultGridModel::LowestPriceRole).toBool());
    QVERIFY(!model.data(model.index(rose, columnOf(model, column::jg)), ResultGridModel::LowestPriceRole)
                 .toBool());

    const QString shot = qEnvironmentVariable("VORBEL_TEST_SCREENSHOT_MARKS");
    if (!shot.isEmpty())
        window.grab().save(shot);

    // A click on the price opens the history: two prices, the current one the lowest.
    grid.DBGridEh1CellClick(fellPrice);
    PriceChartWindow* chart = grid.priceChart();
    QVERIFY(chart);
    QVERIFY(chart->isVisible());
    QCOMPARE(chart->data().spans.size(), std::size_t(2));
    const QString price = model.text(fell, column::jg);
    QCOMPARE(chart->data().current->price, price);
    QCOMPARE(chart->data().lowest->price, price);
    // The prices read as the grid writes them ("2501" is "￥2501.00").
    const QString written = resultcell::priceText(price).value_or(QString());
    QVERIFY(chart->summaryText().startsWith(QStringLiteral("最低 ") + written));
    QVERIFY(chart->windowTitle().contains(model.text(fell, column::cpmc)));
    QCOMPARE(chart->chart().series().size(), 4); // the line, lowest, highest, current
    chart->showHoverAt(chart->data().spans.front().from);
    QVERIFY(chart->hoverText().startsWith(
        resultcell::priceText(chart->data().spans.front().price).value_or(QString()) + QLatin1Char(' ')));

    const QString chartShot = qEnvironmentVariable("VORBEL_TEST_SCREENSHOT_CHART");
    if (!chartShot.isEmpty())
        chart->grab().save(chartShot);

    // The menu entry opens the same window on the row the menu was opened on; the first offer's axes go.
    QList<QPointer<QAbstractAxis>> firstAxes;
    for (QAbstractAxis* axis : chart->chart().axes())
        firstAxes << axis;
    QCOMPARE(firstAxes.size(), 2);
    QTableView& view = *window.resultsView().DBGridEh1;
    view.scrollTo(model.index(kept, 1));
    Q_EMIT view.customContextMenuRequested(view.visualRect(model.index(kept, 1)).center());
    QMenu& menu = grid.tools().menu();
    QAction* entry = nullptr;
    for (QAction* action : menu.actions())
        if (action->text() == QStringLiteral("价格走势"))
            entry = action;
    QVERIFY(entry);
    QVERIFY(entry->isEnabled());
    entry->trigger();
    menu.close();
    QCOMPARE(grid.priceChart(), chart);
    for (const QPointer<QAbstractAxis>& axis : firstAxes)
        QVERIFY2(axis.isNull(), "an axis of the offer shown before is left behind");
    QCOMPARE(chart->chart().axes().size(), 2);
    QVERIFY(chart->summaryText().startsWith(QStringLiteral("暂无价格变化")));
    QVERIFY(chart->chart().title().contains(QStringLiteral("暂无价格变化")));
}

void PriceMemoryTest::favouritesHistoryShowsTheCollectedPrice()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    QCOMPARE(test::collectOnService(harness.service(), window.state().UserId.toStdString(), 2), 2);
    window.favourites()->btn2Click();
    QTRY_VERIFY_WITH_TIMEOUT(!window.favourites()->isLoading(), Deadline);
    FavouritesGrid& grid = window.favourites()->grid();
    QCOMPARE(grid.model().rowCount(), 2);
    const QString collected = grid.model().text(0, column::scjg);

    grid.DBGridEh2CellClick(grid.model().index(0, columnOf(grid.model(), column::gxjg)));
    PriceChartWindow* chart = grid.priceChart();
    QVERIFY(chart);
    QVERIFY(chart->data().collected.has_value());
    QCOMPARE(chart->data().collectedPrice, collected);
    QCOMPARE(chart->data().current->price, grid.model().text(0, column::gxjg));
    bool collectedLine = false;
    for (QAbstractSeries* series : chart->chart().series())
        collectedLine = collectedLine ||
                        series->name() ==
                            QStringLiteral("收藏价 ") + resultcell::priceText(collected).value_or(QString());
    QVERIFY(collectedLine);
}

void PriceMemoryTest::freshDropsAreNotifiedOnceAndTheClickShowsThem()
{
    WindowHarness harness;
    harness.notifier().setAvailable(true);
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    QCOMPARE(test::collectOnService(harness.service(), window.state().UserId.toStdString(), 8), 8);
    QVERIFY(window.dropNotices()->timer().isActive());
    QCOMPARE(window.dropNotices()->timer().interval(), 60 * 60 * 1000);

    // The hourly check, brought forward: days pass until some favourite is cheaper than when collected.
    DropAlerts& alerts = window.dropNotices()->alerts();
    QSignalSpy checks(&alerts, &DropAlerts::checked);
    for (int day = 0; day < 30 && harness.notifier().shown().isEmpty(); ++day) {
        harness.m_serviceNow += Day;
        alerts.check();
        QTRY_VERIFY_WITH_TIMEOUT(!checks.isEmpty(), Deadline);
        checks.clear();
    }
    QCOMPARE(harness.notifier().shown().size(), 1);
    const auto [title, text] = harness.notifier().shown().front();
    QVERIFY2(QRegularExpression(QStringLiteral("^[1-8] 件收藏商品降价$")).match(title).hasMatch(),
             qPrintable(title));
    QVERIFY(text.startsWith(QStringLiteral("降幅最大：")));
    // Quiet: the favourites table, the view and the status line are the user's.
    QCOMPARE(window.queries()->ADOQuery3.recordCount(), 0);
    QCOMPARE(window.currentView(), View::Home);

    alerts.check();
    QTRY_VERIFY_WITH_TIMEOUT(!checks.isEmpty(), Deadline);
    QCOMPARE(harness.notifier().shown().size(), 1);

    // The next run checks at start-up and remembers what it announced.
    Tfrmvorbel& again = harness.open();
    waitForStartUp(again);
    QSignalSpy startChecks(&again.dropNotices()->alerts(), &DropAlerts::checked);
    QTRY_VERIFY_WITH_TIMEOUT(
        !startChecks.isEmpty() || harness.service().requestCount("/ListAllMyFav.aspx") > 3, Deadline);
    QTRY_VERIFY_WITH_TIMEOUT(!again.dropNotices()->alerts().isChecking(), Deadline);
    QCOMPARE(harness.notifier().shown().size(), 1);

    harness.notifier().click();
    QCOMPARE(again.currentView(), View::Favourites);
    QTRY_VERIFY_WITH_TIMEOUT(!again.favourites()->isLoading(), Deadline);
    QCOMPARE(again.state().PageMode, AppState::PriceDrops);
    QVERIFY(again.queries()->ADOQuery3.recordCount() > 0);
    QVERIFY(again.statusText().startsWith(QStringLiteral("您收藏的商品共有降价通知: ")));
}

void PriceMemoryTest::withoutATrayNothingIsCheckedQuietly()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    Tfrmvorbel& again = harness.open(); // the identity is known from the start now
    waitForStartUp(again);
    QTest::qWait(300);
    QCOMPARE(harness.service().requestCount("/ListAllMyFav.aspx"), 0);
    QVERIFY(!again.dropNotices()->timer().isActive());
    harness.notifier().click(); // nothing to click on, and nothing happens
    QCOMPARE(again.currentView(), View::Home);
}

QTEST_MAIN(PriceMemoryTest)
#include "PriceMemoryTest.moc"
