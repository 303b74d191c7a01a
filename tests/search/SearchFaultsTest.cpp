// The main window searching against a service that misbehaves in one way at a time: the window keeps
// turning, ends the search with its designed text or a clear one, closes the progress panel and loses
// nothing it stored; the picture cache holds only whole pictures.
#include "testing/EventLoop.h"
#include "testing/WindowHarness.h"

#include "favourites/ui/Usc.h"
#include "platform/Downloader.h"
#include "platform/PageLoader.h"
#include "results/ResultGridModel.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "service/Catalogue.h"
#include "service/Pictures.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "widgets/BigPicturePanel.h"
#include "widgets/ProgressPanel.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace vorbel;
using vorbel::test::settle;
using vorbel::test::WindowHarness;

// A helper that failed has recorded why; the test stops there.
#define STEP(call)                                                                                           \
    do {                                                                                                     \
        call;                                                                                                \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

namespace {

const QString NoNetwork = QStringLiteral("可能当前网络没有连接，请检查连通后再次搜索。");
const QString CountPrefix = QStringLiteral("本次搜索结果有: ");
constexpr int Deadline = 60000; // generous: a deadline for a hang, not a measure of speed

/// The bytes the service sends in full for a cache file name ("P12.jpg", "P12_dtp.jpg"); empty when any
/// whole body will do.
using WholeBody = std::function<std::string(const QString& fileName)>;

std::string soundPicture(const QString& fileName)
{
    QString stem = fileName.chopped(4);
    const bool large = stem.endsWith(QLatin1String("_dtp"));
    if (large)
        stem.chop(4);
    return service::productJpeg(stem.toStdString(), large ? 350 : 100);
}

bool searching(const Tfrmvorbel& window)
{
    return window.wbwebb().isLoading() || window.search()->reader().isReading() ||
           window.downloader().pending() > 0;
}

service::ServiceOptions withFault(service::Fault fault)
{
    service::ServiceOptions options;
    options.faults = {fault};
    // Every answer takes a moment, so the event loop has to turn while the search waits.
    options.latencyMs = 50;
    return options;
}

} // namespace

class SearchFaultsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void serverErrorsEndWithTheNoNetworkMessage();
    void serverErrorsFromTheFirstStartCrashNothing();
    void aCutPageKeepsWhatArrivedAndCutPicturesLeaveNoFile();
    void aDrippingServiceKeepsTheWindowTurning();
    void aBadNumberStopsAtItsOfferAndKeepsTheOnesBefore();
    void hugePicturesAreStoredWholeAndTheOversizedLargeOneNotAtAll();
    void corruptPicturesAreKeptAsReceivedAndDrawNothing();
    void redirectedPicturesAreNotFollowed();
    void aPageWithoutItsTableEndsWithTheNoNetworkMessage();
    void latencyOnlySlowsTheSearchDown();

private:
    /// Opens the window against a sound service, lets start-up finish, then switches the service over.
    static void startThenBreak(WindowHarness& harness, const service::ServiceOptions& options);
    static void waitForStartUp(Tfrmvorbel& window);
    /// Runs one search to its end; m_ticks counts the event loop's turns while it was under way.
    void search(WindowHarness& harness, const QString& keyword);
    /// Searches "ipod" and checks that every offer arrived without a message and is in the file.
    void searchArrivesWhole(WindowHarness& harness, int* offers);
    /// The database file seen through a second connection: sound, and holding exactly the rows the
    /// window shows, expectedRows of them.
    static void checkFile(WindowHarness& harness, int expectedRows);
    /// Every file in the picture cache is a whole picture under its own name, as wholeBody says; returns
    /// the number of files through files.
    static void checkCache(WindowHarness& harness, const WholeBody& wholeBody, int* files);
    /// Clicks the picture of the first result and waits until the fetch is over.
    static void clickFirstPicture(WindowHarness& harness);

    int m_ticks = 0;
};

void SearchFaultsTest::waitForStartUp(Tfrmvorbel& window)
{
    QTRY_VERIFY_WITH_TIMEOUT(window.search(), Deadline);
    QTRY_VERIFY_WITH_TIMEOUT(!window.wbwebb().isLoading() && !window.search()->reader().isReading(),
                             Deadline);
}

void SearchFaultsTest::startThenBreak(WindowHarness& harness, const service::ServiceOptions& options)
{
    Tfrmvorbel& window = harness.open();
    QTRY_VERIFY_WITH_TIMEOUT(!window.state().UserId.isEmpty() && !window.state().LinkCodeA.isEmpty(),
                             Deadline);
    STEP(waitForStartUp(window));
    QVERIFY(harness.messages().texts().isEmpty());
    QVERIFY(harness.reconfigureService(options));
}

void SearchFaultsTest::search(WindowHarness& harness, const QString& keyword)
{
    Tfrmvorbel& window = harness.window();
    int ticks = 0;
    QTimer turning;
    connect(&turning, &QTimer::timeout, this, [&] {
        if (searching(window))
            ++ticks;
    });
    turning.start(0);
    window.setStatusText(QString());
    window.showView(View::Results);
    window.resultsView().Edt_word->setText(keyword);
    window.resultsView().suiButton1->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.statusText().startsWith(CountPrefix) && !searching(window), Deadline);
    m_ticks = ticks;
    QVERIFY2(m_ticks > 0, "the event loop did not turn while the search ran");
    QVERIFY(!window.progressPanel().isVisible());
    // Draw the grid with whatever pictures arrived.
    QVERIFY(!window.grab().isNull());
}

void SearchFaultsTest::searchArrivesWhole(WindowHarness& harness, int* offers)
{
    const QString keyword = QStringLiteral("ipod");
    STEP(search(harness, keyword));
    *offers = service::offerCount(keyword.toStdString());
    QCOMPARE(harness.window().statusText(), CountPrefix + QStringLiteral("%1 条记录").arg(*offers));
    QVERIFY(harness.messages().texts().isEmpty());
    STEP(checkFile(harness, *offers));
}

void SearchFaultsTest::checkFile(WindowHarness& harness, int expectedRows)
{
    auto opened = Database::open(harness.path(QString::fromLatin1(Database::FileName)));
    QVERIFY(std::holds_alternative<std::unique_ptr<Database>>(opened));
    Database& db = *std::get<std::unique_ptr<Database>>(opened);
    QCOMPARE(db.select(QStringLiteral("PRAGMA integrity_check")).rows.at(0).at(0).toString(),
             QStringLiteral("ok"));
    QStringList stored;
    for (const QVariantList& row : db.select(QStringLiteral("select bh from cxnr order by bh")).rows)
        stored << row.at(0).toString();
    QCOMPARE(int(stored.size()), expectedRows);

    const StandingQuery& shown = harness.window().queries()->ADOQuery2;
    QStringList listed;
    for (int row = 0; row < shown.recordCount(); ++row)
        listed << shown.valueAt(row, QStringLiteral("bh")).toString();
    std::sort(listed.begin(), listed.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    std::sort(stored.begin(), stored.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    QCOMPARE(stored, listed);
}

void SearchFaultsTest::checkCache(WindowHarness& harness, const WholeBody& wholeBody, int* files)
{
    const QDir folder(harness.window().pictureCache().folder());
    const QFileInfoList found = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : found) {
        QVERIFY2(file.fileName().endsWith(QLatin1String(".jpg")), qPrintable(file.fileName()));
        QVERIFY2(file.size() > 0, qPrintable(file.fileName()));
        QFile content(file.filePath());
        QVERIFY(content.open(QIODevice::ReadOnly));
        const std::string expected = wholeBody(file.fileName());
        QVERIFY2(content.readAll().toStdString() == expected, qPrintable(file.fileName()));
    }
    *files = int(found.size());
}

void SearchFaultsTest::clickFirstPicture(WindowHarness& harness)
{
    Tfrmvorbel& window = harness.window();
    ResultGrid& grid = window.search()->grid();
    // The pointer last moved at 200 pixels below the grid's top edge.
    grid.DBGridEh1MouseMove(QPoint(5, 200 - window.resultsView().DBGridEh1->horizontalHeader()->height()));
    grid.DBGridEh1CellClick(grid.model().index(0, 0));
    QTRY_VERIFY_WITH_TIMEOUT(window.downloader().pending() == 0, Deadline);
    QCoreApplication::processEvents();
    QVERIFY2(!QGuiApplication::overrideCursor(), "the hourglass stayed after the large picture");
}

void SearchFaultsTest::serverErrorsEndWithTheNoNetworkMessage()
{
    WindowHarness harness;
    STEP(startThenBreak(harness, withFault(service::Fault::Http500)));
    STEP(search(harness, QStringLiteral("ipod")));
    QCOMPARE(harness.window().statusText(), CountPrefix + QStringLiteral("0 条记录"));
    QCOMPARE(harness.messages().texts(), QStringList{NoNetwork});
    STEP(checkFile(harness, 0));
    int files = -1;
    STEP(checkCache(harness, soundPicture, &files));
    QCOMPARE(files, 0);
}

void SearchFaultsTest::serverErrorsFromTheFirstStartCrashNothing()
{
    // No identity and no link codes can be had; start-up must still finish quietly and searching work.
    WindowHarness harness(withFault(service::Fault::Http500));
    Tfrmvorbel& window = harness.open();
    STEP(waitForStartUp(window));
    QTRY_VERIFY_WITH_TIMEOUT(harness.service().requestCount("/Ver") > 0, Deadline);
    // Both start-up pages have completed: the identity page and the version notice, whose form then hides.
    QTRY_VERIFY_WITH_TIMEOUT(!window.wbwebb().isLoading() && window.loaderForm() &&
                                 !window.loaderForm()->WebBrowser1().isLoading(),
                             Deadline);
    QVERIFY(!window.startupFailed());
    QVERIFY(window.state().UserId.isEmpty());
    harness.messages().clear();
    STEP(search(harness, QStringLiteral("ipod")));
    QCOMPARE(harness.messages().texts(), QStringList{NoNetwork});
    STEP(checkFile(harness, 0));

    // The error page was not taken for an identity: the next start with a sound service asks again.
    QVERIFY(harness.reconfigureService(service::ServiceOptions{}));
    Tfrmvorbel& again = harness.open();
    QTRY_VERIFY_WITH_TIMEOUT(again.state().UserId.startsWith(QLatin1Char('U')), Deadline);
}

void SearchFaultsTest::aCutPageKeepsWhatArrivedAndCutPicturesLeaveNoFile()
{
    WindowHarness harness;
    STEP(startThenBreak(harness, withFault(service::Fault::HalfBody)));
    const QString keyword = QStringLiteral("ipod");
    STEP(search(harness, keyword));
    const int stored = harness.window().queries()->ADOQuery2.recordCount();
    QVERIFY(stored < service::offerCount(keyword.toStdString()));
    QCOMPARE(harness.window().statusText(), CountPrefix + QStringLiteral("%1 条记录").arg(stored));
    QCOMPARE(harness.messages().texts().size(), 1);
    QVERIFY2(harness.messages().texts().at(0).startsWith(QStringLiteral("搜索结果页面没有完整收到")),
             "a cut page passed for a whole one");
    STEP(checkFile(harness, stored));
    int files = -1;
    STEP(checkCache(harness, soundPicture, &files));
    QCOMPARE(files, 0);
}

void SearchFaultsTest::aDrippingServiceKeepsTheWindowTurning()
{
    WindowHarness harness;
    service::ServiceOptions options = withFault(service::Fault::Drip);
    options.dripBytes = 512;
    options.dripIntervalMs = 100;
    options.dripLimitMs = 800;
    STEP(startThenBreak(harness, options));
    int offers = -1;
    STEP(searchArrivesWhole(harness, &offers));
    int files = -1;
    STEP(checkCache(harness, soundPicture, &files));
    QCOMPARE(files, offers);
}

void SearchFaultsTest::aBadNumberStopsAtItsOfferAndKeepsTheOnesBefore()
{
    WindowHarness harness;
    STEP(startThenBreak(harness, withFault(service::Fault::BadNumber)));
    const QString keyword = QStringLiteral("ipod");
    STEP(search(harness, keyword));
    const int before = service::offerCount(keyword.toStdString()) / 2;
    QCOMPARE(harness.window().statusText(), CountPrefix + QStringLiteral("%1 条记录").arg(before));
    QCOMPARE(harness.messages().texts().size(), 1);
    QVERIFY2(harness.messages().texts().at(0).contains(QLatin1String("is not a valid integer value")),
             qPrintable(harness.messages().texts().at(0)));
    STEP(checkFile(harness, before));
    int files = -1;
    STEP(checkCache(harness, soundPicture, &files));
    QVERIFY(files <= before);
}

void SearchFaultsTest::hugePicturesAreStoredWholeAndTheOversizedLargeOneNotAtAll()
{
    WindowHarness harness;
    STEP(startThenBreak(harness, withFault(service::Fault::HugePicture)));
    int offers = -1;
    STEP(searchArrivesWhole(harness, &offers));
    STEP(clickFirstPicture(harness));
    QVERIFY(!harness.window().bigPanel().isVisible());
    // A large picture over the download cap is no file; the small ones claim a size no one decodes.
    const std::string claiming = service::jpegClaimingSize(20000, 20000);
    int files = -1;
    STEP(checkCache(
        harness, [&](const QString&) { return claiming; }, &files));
    QCOMPARE(files, offers);
}

void SearchFaultsTest::corruptPicturesAreKeptAsReceivedAndDrawNothing()
{
    WindowHarness harness;
    STEP(startThenBreak(harness, withFault(service::Fault::CorruptJpeg)));
    int offers = -1;
    STEP(searchArrivesWhole(harness, &offers));
    STEP(clickFirstPicture(harness));
    QVERIFY(!harness.window().bigPanel().isVisible());
    int files = -1;
    const auto corrupt = [](const QString& name) {
        return service::corruptJpeg(name.chopped(4).toStdString());
    };
    STEP(checkCache(harness, corrupt, &files));
    QCOMPARE(files, offers + 1);
}

void SearchFaultsTest::redirectedPicturesAreNotFollowed()
{
    WindowHarness harness;
    STEP(startThenBreak(harness, withFault(service::Fault::PictureRedirect)));
    int offers = -1;
    STEP(searchArrivesWhole(harness, &offers));
    STEP(clickFirstPicture(harness));
    QVERIFY(!harness.window().bigPanel().isVisible());
    QCOMPARE(harness.service().requestCount("/moved"), 0);
    int files = -1;
    STEP(checkCache(harness, soundPicture, &files));
    QCOMPARE(files, 0);
}

void SearchFaultsTest::aPageWithoutItsTableEndsWithTheNoNetworkMessage()
{
    WindowHarness harness;
    STEP(startThenBreak(harness, withFault(service::Fault::NoTable)));
    STEP(search(harness, QStringLiteral("ipod")));
    QCOMPARE(harness.window().statusText(), CountPrefix + QStringLiteral("0 条记录"));
    QCOMPARE(harness.messages().texts(), QStringList{NoNetwork});
    STEP(checkFile(harness, 0));
}

void SearchFaultsTest::latencyOnlySlowsTheSearchDown()
{
    WindowHarness harness;
    service::ServiceOptions options;
    options.latencyMs = 250;
    STEP(startThenBreak(harness, options));
    int offers = -1;
    STEP(searchArrivesWhole(harness, &offers));
    STEP(clickFirstPicture(harness));
    QVERIFY(harness.window().bigPanel().isVisible());
    int files = -1;
    STEP(checkCache(harness, soundPicture, &files));
    QCOMPARE(files, offers + 1);
}

QTEST_MAIN(SearchFaultsTest)
#include "SearchFaultsTest.moc"
