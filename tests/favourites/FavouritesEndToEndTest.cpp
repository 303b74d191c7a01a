#include "testing/ServiceFavourites.h"
#include "testing/WindowHarness.h"

#include "app/HomeView.h"
#include "app/ToolBar.h"
#include "favourites/ui/FavouritesCommands.h"
#include "favourites/ui/FavouritesGrid.h"
#include "platform/PageLoader.h"
#include "results/ResultGridModel.h"
#include "results/ui/ResultGrid.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "widgets/ProgressPanel.h"

#include "store/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace vorbel;
using vorbel::test::WindowHarness;

class FavouritesEndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void collectListSeeADropAndDelete();
    void unrecognisedPageShowsTheNoNetworkMessage();
    void serviceFaultsLeaveTheFavouritesSound_data();
    void serviceFaultsLeaveTheFavouritesSound();
    void favouritesOpenedBeforeTheIdentityTakeNoneFromAnErrorPage();
};

namespace {

void waitForStartUp(Tfrmvorbel& window)
{
    QTRY_VERIFY_WITH_TIMEOUT(!window.state().UserId.isEmpty() && !window.state().LinkCodeA.isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!window.search()->reader().isReading(), 10000);
}

void retrieve(Tfrmvorbel& window, QToolButton* button)
{
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window.favourites()->isLoading(), 15000);
}

} // namespace

void FavouritesEndToEndTest::collectListSeeADropAndDelete()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    window.setStatusText(QString());
    QTest::mouseClick(window.homeView().findChild<QWidget*>(QStringLiteral("lab41")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window.statusText().startsWith(QStringLiteral("本次搜索结果有")) &&
                                 !window.search()->reader().isReading(),
                             20000);
    ResultGrid& results = window.search()->grid();
    const QString name = results.model().text(0, column::cpmc);
    results.DBGridEh1CellClick(results.model().index(0, 8));
    QTRY_VERIFY_WITH_TIMEOUT(harness.service().requestCount("/OpFav.aspx") == 1, 10000);

    retrieve(window, window.toolBar().btn2);
    StandingQuery& favourites = window.queries()->ADOQuery3;
    QCOMPARE(favourites.recordCount(), 1);
    QCOMPARE(favourites.valueAt(0, QStringLiteral("cpmc")).toString(), name);
    QCOMPARE(favourites.valueAt(0, QStringLiteral("bz2")).toString(), QStringLiteral("删除收藏"));
    QCOMPARE(window.statusText(), QStringLiteral("您收藏的商品共有: 1 条记录"));
    QVERIFY(!window.toolBar().btn2->isEnabled());
    QVERIFY(!window.progressPanel().isVisible());
    QVERIFY(QFileInfo::exists(
        *window.pictureCache().smallPicturePath(favourites.valueAt(0, QStringLiteral("cph")).toString())));

    // Move the service's clock a day at a time (its prices move once a day) until the price has fallen.
    bool dropped = false;
    for (int day = 0; day < 60 && !dropped; ++day) {
        harness.m_serviceNow += 24 * 3600;
        window.favourites()->btn3Click(); // the button stays disabled while notices are shown
        QTRY_VERIFY_WITH_TIMEOUT(!window.favourites()->isLoading(), 15000);
        dropped = favourites.recordCount() == 1;
    }
    QVERIFY(dropped);
    QCOMPARE(window.statusText(), QStringLiteral("您收藏的商品共有降价通知: 1 条记录"));
    QVERIFY(favourites.valueAt(0, QStringLiteral("gxjg")).toDouble() <
            favourites.valueAt(0, QStringLiteral("scjg")).toDouble());

    const QString shot = qEnvironmentVariable("VORBEL_TEST_SCREENSHOT_FAVOURITES");
    if (!shot.isEmpty())
        window.grab().save(shot);

    FavouritesGrid& grid = window.favourites()->grid();
    harness.messages().answerNext(false);
    grid.DBGridEh2CellClick(grid.model().index(0, 6));
    QCOMPARE(favourites.recordCount(), 1);
    harness.messages().answerNext(true);
    grid.DBGridEh2CellClick(grid.model().index(0, 6));
    QCOMPARE(favourites.recordCount(), 0);
    QCOMPARE(window.statusText(), QStringLiteral("您收藏的商品共有降价通知: 0 条记录"));
    QTRY_VERIFY_WITH_TIMEOUT(harness.service().requestCount("/OpFav.aspx") == 2, 10000);

    retrieve(window, window.toolBar().btn2);
    QCOMPARE(favourites.recordCount(), 0);
    QCOMPARE(window.statusText(), QStringLiteral("您收藏的商品共有: 0 条记录"));
}

void FavouritesEndToEndTest::unrecognisedPageShowsTheNoNetworkMessage()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    harness.service().stop();
    retrieve(window, window.toolBar().btn2);
    QCOMPARE(harness.messages().texts().value(0),
             QStringLiteral("可能当前网络没有连接，请检查连通后再次搜索。"));
    QVERIFY(!window.progressPanel().isVisible());
}

void FavouritesEndToEndTest::serviceFaultsLeaveTheFavouritesSound_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("message");
    QTest::newRow("server error") << int(service::Fault::Http500) << true;
    QTest::newRow("cut page") << int(service::Fault::HalfBody) << true;
    QTest::newRow("drip") << int(service::Fault::Drip) << false;
    QTest::newRow("corrupt pictures") << int(service::Fault::CorruptJpeg) << false;
    QTest::newRow("redirected pictures") << int(service::Fault::PictureRedirect) << false;
}

void FavouritesEndToEndTest::serviceFaultsLeaveTheFavouritesSound()
{
    QFETCH(int, fault);
    QFETCH(bool, message);
    QTemporaryDir data;
    service::ServiceOptions options;
    options.dataDir = data.path().toStdString();
    WindowHarness harness(options);
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);

    // Three favourites collected straight on the service, under the window's identity.
    QCOMPARE(test::collectOnService(harness.service(), window.state().UserId.toStdString(), 3), 3);

    options.faults = {service::Fault(fault)};
    options.dripBytes = 256;
    options.dripIntervalMs = 50;
    options.dripLimitMs = 400;
    QVERIFY(harness.reconfigureService(options));
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    retrieve(window, window.toolBar().btn2);
    ticker.stop();
    QVERIFY(ticks > 0);
    QVERIFY(!window.progressPanel().isVisible());
    QCOMPARE(!harness.messages().texts().isEmpty(), message);

    auto opened = Database::open(harness.path(QString::fromLatin1(Database::FileName)));
    QVERIFY(std::holds_alternative<std::unique_ptr<Database>>(opened));
    Database& db = *std::get<std::unique_ptr<Database>>(opened);
    QCOMPARE(db.select(QStringLiteral("PRAGMA integrity_check")).rows.at(0).at(0).toString(),
             QStringLiteral("ok"));
    const int stored = db.select(QStringLiteral("select count(*) from scnr")).rows.at(0).at(0).toInt();
    QCOMPARE(stored, window.queries()->ADOQuery3.recordCount());
    QVERIFY(stored <= 3);
    if (!message)
        QCOMPARE(stored, 3);
    if (fault == int(service::Fault::HalfBody) && stored > 0)
        QVERIFY2(harness.messages().texts().value(0).contains(QStringLiteral("没有完整收到")),
                 qPrintable(harness.messages().texts().value(0)));
    // Nothing cut or empty lands in the picture cache.
    const QDir cache(window.pictureCache().folder());
    for (const QFileInfo& file : cache.entryInfoList(QDir::Files))
        QVERIFY2(file.size() > 0 && file.suffix() == QLatin1String("jpg"), qPrintable(file.fileName()));
}

void FavouritesEndToEndTest::favouritesOpenedBeforeTheIdentityTakeNoneFromAnErrorPage()
{
    service::ServiceOptions failing;
    failing.faults = {service::Fault::Http500};
    WindowHarness harness(failing);
    Tfrmvorbel& window = harness.open();
    QTRY_VERIFY_WITH_TIMEOUT(
        harness.service().requestCount("/RandomUser.aspx") > 0 && !window.wbwebb().isLoading(), 10000);
    QVERIFY(window.state().UserId.isEmpty());

    retrieve(window, window.toolBar().btn2);
    QCOMPARE(harness.service().requestCount("/ListAllMyFav.aspx"), 1);
    QVERIFY(window.state().UserId.isEmpty());

    // Nothing was kept in its place: the next start with a sound service asks for an identity again.
    QVERIFY(harness.reconfigureService(service::ServiceOptions{}));
    Tfrmvorbel& again = harness.open();
    QVERIFY(again.wbwebb().url().path().endsWith(QStringLiteral("/RandomUser.aspx")));
    QTRY_VERIFY_WITH_TIMEOUT(!again.state().UserId.isEmpty(), 10000);
    // The service's own form of an identity, not a line of the error page (a random identity may well
    // hold "500" itself).
    static const QRegularExpression issued(QStringLiteral("^U[0-9a-f]{12}$"));
    QVERIFY2(issued.match(again.state().UserId).hasMatch(), qPrintable(again.state().UserId));
}

QTEST_MAIN(FavouritesEndToEndTest)
#include "FavouritesEndToEndTest.moc"
