#include "testing/LocalServer.h"
#include "testing/WindowHarness.h"

#include "app/HomeView.h"
#include "app/TitleBar.h"
#include "app/ToolBar.h"
#include "favourites/ui/FavouritesCommands.h"
#include "favourites/ui/FavouritesView.h"
#include "favourites/ui/Usc.h"
#include "platform/Downloader.h"
#include "platform/PageLoader.h"
#include "results/ui/ResultsView.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "session/Startup.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "widgets/BigPicturePanel.h"
#include "widgets/GridSupport.h"
#include "widgets/ProgressPanel.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace vorbel;
using vorbel::test::WindowHarness;

class MainWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // First: it looks at what the process has loaded so far.
    void aStartLoadsNoImageFormatPlugin();
    void firstRunAsksForIdentityAndLinkCodes();
    void completeSettingsAskForNothing();
    void resultsButtonReportsTheResultCount();
    void twoAboutBoxesAtOnce();
    void linksOpenInTheSystemBrowser();
    void resizeHidesAndPlacesTheProgressPanel();
    void databaseThatIsNotOursIsLeftUntouched();
    void aVersionPageCutShortStoresNoLinkCodes();
    void commandsAfterAFailedStartSayWhatIsWrong();
    void aSharedPictureFolderThatIsNotOursGivesWayToAPrivateOne();
    void aSettingsValueThatNoLongerDeciphersIsRepairedOnce();
    void aVersionPageDuringAFavouritesRetrievalIsStillRead();
    void aViewJoinsTheWindowWhenFirstShownBelowTheFloatingPanels();
    void theGridTitlesTakeTheirColoursFromTheWindowsSheet();
    void aGridTakesItsWidthsAsGivenAndKeepsItsFontsMinimum();
    void aFavouritesLoaderFormIsAWindowOfTheProgramsWindow();
};

void MainWindowTest::aStartLoadsNoImageFormatPlugin()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        QSKIP("no /proc/self/maps here");
    WindowHarness harness;
    harness.open();
    // The pictures are read as the format their names say; Qt's guess from the contents would load
    // every image format plugin first.
    maps.seek(0);
    QVERIFY(!maps.readAll().contains("/imageformats/"));
}

void MainWindowTest::firstRunAsksForIdentityAndLinkCodes()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    QCOMPARE(window.windowTitle(), QStringLiteral(" Vorbel V1.0"));
    QCOMPARE(window.titleBar().caption(), QStringLiteral(" Vorbel V1.0"));
    QCOMPARE(window.size(), QSize(1020, 700));
    QCOMPARE(window.statusText(), QStringLiteral("当前操作: 网购比价搜索"));
    QVERIFY(window.wbwebb().url().path().endsWith(QStringLiteral("/RandomUser.aspx")));
    QVERIFY(window.loaderForm());
    QCOMPARE(window.loaderForm()->WebBrowser1().url().path(), QStringLiteral("/Ver/Ver10.html"));

    QTRY_VERIFY_WITH_TIMEOUT(!window.state().UserId.isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!window.state().LinkCodeA.isEmpty(), 10000);
    QCOMPARE(window.state().UserPassword, QStringLiteral("kzvtq"));
    QVERIFY(window.state().LinkCodeA.startsWith(QStringLiteral("mm_")));
    QCOMPARE(window.queries()->qry2.recordCount(), 1);
    QVERIFY(harness.messages().texts().isEmpty());
}

void MainWindowTest::completeSettingsAskForNothing()
{
    WindowHarness harness;
    Tfrmvorbel& first = harness.open();
    QTRY_VERIFY_WITH_TIMEOUT(!first.state().UserId.isEmpty() && !first.state().LinkCodeB.isEmpty(), 10000);
    const QString identity = first.state().UserId;

    Tfrmvorbel& second = harness.open();
    QVERIFY(second.wbwebb().url().isEmpty());
    QVERIFY(!second.loaderForm());
    QCOMPARE(second.state().UserId, identity);
    QCOMPARE(second.queries()->qry2.recordCount(), 1);
}

void MainWindowTest::resultsButtonReportsTheResultCount()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    window.toolBar().btn1->click();
    QCOMPARE(window.statusText(), QStringLiteral("当前操作: 网购比价搜索"));
    QVERIFY(window.resultsView().isVisible());
    QVERIFY(!window.toolBar().btn1->isEnabled());
    QVERIFY(window.toolBar().btn2->isEnabled() && window.toolBar().btn3->isEnabled());

    StandingQueries& queries = *window.queries();
    for (int i = 0; i < 37; ++i)
        queries.qry1.execSql(QStringLiteral("insert into cxnr (bh, cxrq) values (%1, 1)").arg(i));
    queries.ADOQuery2.close();
    queries.ADOQuery2.open();
    window.btn1Click();
    QCOMPARE(window.statusText(), QStringLiteral("比价搜索结果有: 37 条记录"));
}

void MainWindowTest::twoAboutBoxesAtOnce()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    window.toolBar().btn9->click();
    window.toolBar().btn9->click();
    QList<QWidget*> boxes = window.findChildren<QWidget*>(QStringLiteral("frmabout"));
    QCOMPARE(boxes.size(), 2);
    for (QWidget* box : boxes) {
        QVERIFY(box->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(box->size(), QSize(468, 294));
    }
    QWidget* picture = boxes.first()->findChild<QWidget*>(QStringLiteral("Image1"));
    QTest::mouseClick(picture, Qt::LeftButton);
    QTRY_COMPARE(window.findChildren<QWidget*>(QStringLiteral("frmabout")).size(), 1);
}

void MainWindowTest::linksOpenInTheSystemBrowser()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    QWidget* logo = window.findChild<QWidget*>(QStringLiteral("Image1"));
    QVERIFY(logo);
    QTest::mouseClick(logo, Qt::LeftButton);
    QTest::mouseClick(logo, Qt::LeftButton);
    window.toolBar().btn8->click();
    const QList<QUrl> opened = harness.browser().opened();
    QCOMPARE(opened.size(), 3);
    QCOMPARE(opened[0], opened[1]);
    QCOMPARE(opened[0].host(), QStringLiteral("www.taobao.com"));
    QCOMPARE(opened[2], QUrl(QString::fromStdString(harness.service().baseUrl()) + QStringLiteral("/")));
    QCOMPARE(window.statusText(), QStringLiteral("当前操作: 网购比价搜索"));
}

void MainWindowTest::resizeHidesAndPlacesTheProgressPanel()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    window.progressPanel().setText(QStringLiteral("loading"));
    window.progressPanel().showOnTop();
    window.resize(1021, 700);
    window.resize(1020, 700);
    QVERIFY(!window.progressPanel().isVisible());
    QVERIFY(window.progressPanel().text().isEmpty());
    QCOMPARE(window.progressPanel().position(), 0);
    QCOMPARE(window.progressPanel().x(), 110);
    QVERIFY(!window.bigPanel().isVisible());
}

void MainWindowTest::databaseThatIsNotOursIsLeftUntouched()
{
    WindowHarness harness;
    {
        QFile file(harness.path(QStringLiteral("vorbelmd.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a database at all, just some bytes of text");
    }
    Tfrmvorbel& window = harness.open();
    QVERIFY(window.startupFailed());
    QCOMPARE(harness.messages().texts().size(), 1);
    QVERIFY(harness.messages().texts().first().contains(QStringLiteral("vorbelmd.dat")));
    QFile file(harness.path(QStringLiteral("vorbelmd.dat")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not a database at all, just some bytes of text"));
}

void MainWindowTest::aVersionPageCutShortStoresNoLinkCodes()
{
    vorbel::test::LocalServer server;
    const std::string page = "<html><body>\nAAA=mm_31415926_2718_1618 BBB=88024\n</body></html>\n";
    server.routes().Get("/Ver/whole.html", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(page, "text/html");
    });
    // Announces the whole page but ends the connection inside the link code line.
    server.routes().Get("/Ver/cut.html", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(page.size(), "text/html", [&](size_t, size_t, httplib::DataSink& sink) {
            sink.write(page.data(), 22);
            return false;
        });
    });
    server.start();

    QTemporaryDir folder;
    auto opened = Database::open(folder.filePath(QStringLiteral("vorbelmd.dat")));
    QVERIFY(std::holds_alternative<std::unique_ptr<Database>>(opened));
    auto& db = *std::get<std::unique_ptr<Database>>(opened);
    StandingQueries queries(db);
    openStandingQueries(queries);
    AppState state;
    readOrCreateSettings(queries, state);
    QNetworkAccessManager network;
    auto load = [&](const char* path) {
        Tfrmsc loader(Tfrmsc::Purpose::VersionNotice, network, state, queries.qry2, nullptr);
        bool closed = false;
        connect(&loader, &Tfrmsc::closed, [&] { closed = true; });
        loader.WebBrowser1().Navigate(QUrl(QString::fromStdString(server.url(path))));
        QTRY_VERIFY_WITH_TIMEOUT(closed, 10000);
    };
    load("/Ver/cut.html");
    QVERIFY(state.LinkCodeA.isEmpty());
    QVERIFY(queries.qry2.valueAt(0, QStringLiteral("a")).toString().isEmpty());
    load("/Ver/whole.html");
    QCOMPARE(state.LinkCodeA, QStringLiteral("mm_31415926_2718_1618"));
}

void MainWindowTest::commandsAfterAFailedStartSayWhatIsWrong()
{
    WindowHarness harness;
    {
        QFile file(harness.path(QStringLiteral("vorbelmd.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a database at all");
    }
    Tfrmvorbel& window = harness.open();
    QVERIFY(window.startupFailed());
    QCOMPARE(harness.messages().texts().size(), 1);
    const QString failure = harness.messages().texts().first();

    // Each command the user can reach repeats why nothing can be searched or listed.
    window.homeView().keywordBox()->setText(QStringLiteral("ipod"));
    window.homeView().findChild<QPushButton*>(QStringLiteral("suiButton4"))->click();
    QTest::mouseClick(window.homeView().findChild<QWidget*>(QStringLiteral("lab41")), Qt::LeftButton);
    window.toolBar().btn2->click();
    window.toolBar().btn3->click();
    window.toolBar().btn1->click();
    window.resultsView().Edt_word->setText(QStringLiteral("ipod"));
    window.resultsView().suiButton1->click();
    QCOMPARE(harness.messages().texts(), QStringList(6, failure));
    QCOMPARE(harness.messages().icons().last(), MessageBoxes::Icon::Error);
    QCOMPARE(harness.service().requestCount("/ListAll.aspx") +
                 harness.service().requestCount("/ListAllMyFav.aspx"),
             0);
}

void MainWindowTest::aSharedPictureFolderThatIsNotOursGivesWayToAPrivateOne()
{
    WindowHarness harness;
    const QString elsewhere = harness.path(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkdir(elsewhere));
    QVERIFY(QFile::link(elsewhere, harness.path(QStringLiteral("vorbelpic"))));
    Tfrmvorbel& window = harness.open();
    QVERIFY(!window.startupFailed());
    QCOMPARE(window.windowTitle(), QStringLiteral(" Vorbel V1.0"));
    QTRY_VERIFY_WITH_TIMEOUT(!window.state().UserId.isEmpty() && !window.state().LinkCodeA.isEmpty(), 10000);
    QVERIFY(harness.messages().texts().isEmpty());
    const PictureCache& cache = window.pictureCache();
    QCOMPARE(cache.folder(), cache.privateFolder());
    QTRY_VERIFY_WITH_TIMEOUT(!window.wbwebb().isLoading() && !window.search()->reader().isReading(), 10000);

    window.setStatusText(QString());
    window.homeView().keywordBox()->setText(QStringLiteral("ipod"));
    window.homeView().findChild<QPushButton*>(QStringLiteral("suiButton4"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(harness.service().requestCount("/ListAll.aspx") == 1 &&
                                 window.statusText().startsWith(QStringLiteral("本次搜索结果有")) &&
                                 !window.search()->reader().isReading() && window.downloader().pending() == 0,
                             20000);
    QVERIFY(window.queries()->ADOQuery2.recordCount() > 0);
    const QString cph = window.queries()->ADOQuery2.valueAt(0, QStringLiteral("cph")).toString();
    QVERIFY(QFileInfo(cache.privateFolder() + QLatin1Char('/') + cph + QStringLiteral(".jpg")).size() > 0);
    QVERIFY(QDir(elsewhere).isEmpty());
    QVERIFY(harness.messages().texts().isEmpty());
}

void MainWindowTest::aSettingsValueThatNoLongerDeciphersIsRepairedOnce()
{
    WindowHarness harness;
    Tfrmvorbel& first = harness.open();
    QTRY_VERIFY_WITH_TIMEOUT(!first.state().UserId.isEmpty() && !first.state().LinkCodeB.isEmpty(), 10000);
    const QString identity = first.state().UserId;
    StandingQuery& settings = first.queries()->qry2;
    settings.first();
    settings.edit();
    settings.setValue(QStringLiteral("u"), QStringLiteral("not cipher text"));
    settings.post();

    Tfrmvorbel& second = harness.open();
    QVERIFY(!second.startupFailed());
    QCOMPARE(second.windowTitle(), QStringLiteral(" Vorbel V1.0"));
    QCOMPARE(harness.messages().texts(), QStringList{RepairedSettingsNotice});
    QVERIFY(second.wbwebb().url().path().endsWith(QStringLiteral("/RandomUser.aspx")));
    QVERIFY(!second.loaderForm()); // the link codes were sound and are kept
    QTRY_VERIFY_WITH_TIMEOUT(!second.state().UserId.isEmpty(), 10000);
    QVERIFY(second.state().UserId != identity);
    QVERIFY(second.search());
    const QString repaired = second.state().UserId; // open() below ends the second window

    Tfrmvorbel& third = harness.open();
    QCOMPARE(third.state().UserId, repaired);
    QVERIFY(third.wbwebb().url().isEmpty());
    QCOMPARE(harness.messages().texts().size(), 1);
}

void MainWindowTest::aVersionPageDuringAFavouritesRetrievalIsStillRead()
{
    service::ServiceOptions slow;
    slow.latencyMs = 300; // the version page is still on its way when the favourites are asked for
    WindowHarness harness(slow);
    Tfrmvorbel& window = harness.open();
    QVERIFY(window.loaderForm());
    window.toolBar().btn2->click();
    QCOMPARE(window.state().PageMode, AppState::Favourites);
    QTRY_VERIFY_WITH_TIMEOUT(!window.state().LinkCodeA.isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!window.loaderForm() || !window.loaderForm()->isVisible(), 10000);
}

void MainWindowTest::aViewJoinsTheWindowWhenFirstShownBelowTheFloatingPanels()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    ResultsView& results = window.resultsView();
    // Never shown yet: outside the window, so its first show neither styled nor polished it.
    QVERIFY(!window.isAncestorOf(&results));
    QVERIFY(!results.testAttribute(Qt::WA_WState_Polished));
    QVERIFY(!window.isAncestorOf(&window.favouritesView()));

    ProgressPanel& progress = window.progressPanel();
    progress.setText(QStringLiteral("loading"));
    progress.show();
    window.showView(View::Results);
    QVERIFY(window.isAncestorOf(&results));
    QVERIFY(results.isVisible());
    QVERIFY(!window.homeView().isVisible());
    QVERIFY(!window.favouritesView().isVisible());
    QWidget* atPanel = window.childAt(progress.mapTo(&window, progress.rect().center()));
    QVERIFY(atPanel == &progress || progress.isAncestorOf(atPanel));

    window.showView(View::Home);
    QVERIFY(!results.isVisible());
    QVERIFY(window.homeView().isVisible());
    QVERIFY(window.isAncestorOf(&results));
}

void MainWindowTest::theGridTitlesTakeTheirColoursFromTheWindowsSheet()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    window.showView(View::Results);
    QHeaderView* titles = window.resultsView().DBGridEh1->horizontalHeader();
    QCOMPARE(titles->height(), 22);
    const QImage image = titles->grab().toImage();
    // Left of the first title's text, halfway down.
    QCOMPARE(image.pixelColor(3, image.height() / 2), QColor(166, 202, 240));
}

void MainWindowTest::aGridTakesItsWidthsAsGivenAndKeepsItsFontsMinimum()
{
    QTableView grid;
    QStandardItemModel model(0, 3);
    const std::array<int, 3> widths{50, 300, 80};
    applyGridLook(grid, model, 80, widths);
    for (int column = 0; column < 3; ++column)
        QCOMPARE(grid.columnWidth(column), widths[std::size_t(column)]);
    // The resize rule's widths are taken as they are, even below the titles' font's minimum.
    const std::array<std::pair<int, int>, 1> narrow{{{2, 5}}};
    setColumnWidths(grid, narrow);
    QCOMPARE(grid.columnWidth(2), 5);
    // The minimum a user can drag a column to is still the one Qt takes from the titles' font.
    QHeaderView plain(Qt::Horizontal);
    plain.setFont(grid.horizontalHeader()->font());
    QCOMPARE(grid.horizontalHeader()->minimumSectionSize(), plain.minimumSectionSize());
    QVERIFY(plain.minimumSectionSize() > 0);
}

void MainWindowTest::aFavouritesLoaderFormIsAWindowOfTheProgramsWindow()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    // The favourites view has never been shown: the form must not take the view's own window instead.
    window.toolBar().btn2->click();
    QVERIFY(window.favourites()->loaderForm());
    QCOMPARE(window.favourites()->loaderForm()->parentWidget(), &window);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
