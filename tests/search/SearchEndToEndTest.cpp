#include "testing/WindowHarness.h"

#include "app/HomeView.h"
#include "platform/PageLoader.h"
#include "results/JpegThumbnails.h"
#include "results/PriceMarks.h"
#include "results/ResultGridModel.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "service/Catalogue.h"
#include "store/Columns.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "widgets/BigPicturePanel.h"
#include "widgets/ProgressPanel.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QTableView>
#include <QTest>
#include <algorithm>

using namespace vorbel;
using vorbel::test::WindowHarness;

class SearchEndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hotKeywordFillsTheGridWithPicturesAndCount();
    void filterAndSortTheOpenResult();
    void collectAnOfferAndSeeItOnTheNextSearch();
    void blankKeywordSendsNothing();
    void searchingAgainMarksHowEachPriceMoved();
    void pictureClickShowsTheLargePictureAndTheCursorRules();
    void aScreenPaintedColdShowsWhatAWarmPaintShows();

private:
    static void waitForStartUp(Tfrmvorbel& window)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!window.state().UserId.isEmpty() && !window.state().LinkCodeA.isEmpty(),
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!window.search()->reader().isReading(), 10000);
    }
    static void search(Tfrmvorbel& window, const char* labelName)
    {
        QWidget* label = window.homeView().findChild<QWidget*>(QString::fromLatin1(labelName));
        QVERIFY(label);
        window.setStatusText(QString());
        QTest::mouseClick(label, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window.statusText().startsWith(QStringLiteral("本次搜索结果有: ")) &&
                                     !window.search()->reader().isReading(),
                                 20000);
    }
};

void SearchEndToEndTest::hotKeywordFillsTheGridWithPicturesAndCount()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    search(window, "lab37");
    QCOMPARE(window.state().SearchWord, QStringLiteral("小米手机"));

    const auto offers = service::offersFor("小米手机");
    StandingQuery& results = window.queries()->ADOQuery2;
    QCOMPARE(results.recordCount(), int(offers.size()));
    QCOMPARE(window.statusText(), QStringLiteral("本次搜索结果有: %1 条记录").arg(offers.size()));
    QVERIFY(!window.progressPanel().isVisible());
    QCOMPARE(window.progressPanel().position(), 100);
    QVERIFY(harness.messages().texts().isEmpty());
    QCOMPARE(window.queries()->qry1.recordCount(), int(offers.size()));
    for (int row = 0; row < results.recordCount(); ++row) {
        const QString cph = results.valueAt(row, QStringLiteral("cph")).toString();
        QVERIFY(QFileInfo::exists(*window.pictureCache().smallPicturePath(cph)));
        // The link codes of the version page are in every stored link.
        const QString link = results.valueAt(row, QStringLiteral("cplj")).toString();
        QVERIFY(link.contains(QStringLiteral("mm_31415926_2718_1618")) ||
                link.contains(QStringLiteral("unionId=88024")));
    }
    QTableView* grid = window.resultsView().DBGridEh1;
    QCOMPARE(grid->model()->rowCount(), int(offers.size()));

    const QString shot = qEnvironmentVariable("VORBEL_TEST_SCREENSHOT");
    if (!shot.isEmpty())
        window.grab().save(shot);

    // A second search of the keyword downloads nothing and registers nothing new.
    const int pictureRequests = harness.service().requestCount("/pic");
    search(window, "lab37");
    QCOMPARE(window.queries()->qry1.recordCount(), int(offers.size()));
    QCOMPARE(harness.service().requestCount("/pic"), pictureRequests);
}

void SearchEndToEndTest::filterAndSortTheOpenResult()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    search(window, "lab45");
    const int all = window.queries()->ADOQuery2.recordCount();
    auto& boxes = window.resultsView().shopBoxes;
    boxes[1]->setChecked(false); // 淘宝网 off: "全部" goes off too
    QVERIFY(!boxes[0]->isChecked());
    const int withoutTaobao = window.queries()->ADOQuery2.recordCount();
    QVERIFY(withoutTaobao < all);
    QCOMPARE(window.statusText(), QStringLiteral("本次筛选结果有: %1 条记录").arg(withoutTaobao));
    for (int i = 2; i < 8; ++i)
        boxes[i]->setChecked(false);
    QCOMPARE(window.queries()->ADOQuery2.recordCount(), 0);
    boxes[0]->setChecked(true);
    QCOMPARE(window.queries()->ADOQuery2.recordCount(), all);

    ResultGrid& grid = window.search()->grid();
    grid.DBGridEh1TitleBtnClick(3);
    QCOMPARE(grid.sortMarker(QStringLiteral("jg")), QStringLiteral("down"));
    const StandingQuery& results = window.queries()->ADOQuery2;
    QVERIFY(results.valueAt(0, QStringLiteral("jg")).toDouble() >=
            results.valueAt(all - 1, QStringLiteral("jg")).toDouble());
    grid.DBGridEh1TitleBtnClick(3);
    QCOMPARE(grid.sortMarker(QStringLiteral("jg")), QStringLiteral("up"));
    QVERIFY(results.valueAt(0, QStringLiteral("jg")).toDouble() <=
            results.valueAt(all - 1, QStringLiteral("jg")).toDouble());
    grid.DBGridEh1TitleBtnClick(4);
    QCOMPARE(grid.sortMarker(QStringLiteral("jg")), QStringLiteral("none"));
    QCOMPARE(grid.sortMarker(QStringLiteral("rc")), QStringLiteral("down"));
}

void SearchEndToEndTest::collectAnOfferAndSeeItOnTheNextSearch()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    search(window, "lab42");
    ResultGrid& grid = window.search()->grid();
    const QModelIndex check = grid.model().index(0, 8);
    grid.DBGridEh1CellClick(check);
    QCOMPARE(harness.messages().texts().value(0), QStringLiteral("当前选择的商品点击收藏成功！"));
    QCOMPARE(grid.model().text(0, column::check), QStringLiteral("已收藏"));
    grid.DBGridEh1CellClick(check);
    QCOMPARE(harness.messages().texts().value(1), QStringLiteral("当前选择的商品已经被收藏，请检验。"));
    QTRY_VERIFY_WITH_TIMEOUT(harness.service().requestCount("/OpFav.aspx") == 1, 10000);

    const QString bh = grid.model().text(0, column::bh);
    search(window, "lab42");
    StandingQuery& results = window.queries()->ADOQuery2;
    QVERIFY(results.locate(QStringLiteral("bh"), bh));
    QCOMPARE(results.value(QStringLiteral("check")).toString(), QStringLiteral("已收藏"));

    grid.DBGridEh1CellClick(grid.model().index(0, 1));
    QCOMPARE(harness.browser().opened().size(), 1);
}

void SearchEndToEndTest::searchingAgainMarksHowEachPriceMoved()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    search(window, "lab37");
    StandingQuery& results = window.queries()->ADOQuery2;
    QVERIFY(results.recordCount() >= 4);
    struct Offer
    {
        QString cph, shop, price;
    };
    std::vector<Offer> offers;
    for (int row = 0; row < results.recordCount() && offers.size() < 4; ++row) {
        const Offer offer{results.valueAt(row, QStringLiteral("cph")).toString(),
                          results.valueAt(row, QStringLiteral("sjlx")).toString(),
                          results.valueAt(row, QStringLiteral("jg")).toString()};
        const bool seen = std::any_of(offers.begin(), offers.end(), [&](const Offer& o) {
            return o.cph == offer.cph && o.shop == offer.shop;
        });
        if (!seen && pricemark::parseDecimal(offer.price))
            offers.push_back(offer);
    }
    QCOMPARE(offers.size(), 4u);

    // The first search is a day old; one offer was dearer then, one cheaper, one was never seen.
    StandingQuery& scratch = window.queries()->qry1;
    scratch.execSql(
        QStringLiteral("update jgls set sj = datetime(sj, '-1 day'), zjsj = datetime(zjsj, '-1 day')"));
    const auto where = QStringLiteral(" where cph = ? and sjlx = ?");
    scratch.execSql(QStringLiteral("update jgls set jg = '100000'") + where, {offers[0].cph, offers[0].shop});
    scratch.execSql(QStringLiteral("update jgls set jg = '0.01'") + where, {offers[1].cph, offers[1].shop});
    scratch.execSql(QStringLiteral("delete from jgls") + where, {offers[2].cph, offers[2].shop});
    search(window, "lab37");

    const ResultGridModel& model = window.search()->grid().model();
    const int priceColumn = 3;
    QCOMPARE(model.field(priceColumn), QStringLiteral("jg"));
    auto markOf = [&](const Offer& offer) {
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.text(row, column::cph) == offer.cph && model.text(row, column::sjlx) == offer.shop)
                return model.index(row, priceColumn);
        }
        return QModelIndex();
    };
    const QModelIndex fell = markOf(offers[0]), rose = markOf(offers[1]), fresh = markOf(offers[2]),
                      same = markOf(offers[3]);
    QVERIFY(fell.isValid() && rose.isValid() && fresh.isValid() && same.isValid());

    QCOMPARE(fell.data(ResultGridModel::PriceMarkRole).toString(),
             pricemark::changeMark(QStringLiteral("100000"), offers[0].price)->text);
    QVERIFY(fell.data(ResultGridModel::PriceMarkRole).toString().startsWith(QStringLiteral("↓￥")));
    QCOMPARE(fell.data(ResultGridModel::PriceMarkColourRole).value<QColor>(), QColor(0, 128, 0));
    QVERIFY(fell.data(ResultGridModel::LowestPriceRole).toBool());

    QVERIFY(rose.data(ResultGridModel::PriceMarkRole).toString().startsWith(QStringLiteral("↑￥")));
    QCOMPARE(rose.data(ResultGridModel::PriceMarkColourRole).value<QColor>(), QColor(255, 0, 0));
    QVERIFY(!rose.data(ResultGridModel::LowestPriceRole).toBool());

    QCOMPARE(fresh.data(ResultGridModel::PriceMarkRole).toString(), QStringLiteral("新"));
    QCOMPARE(same.data(ResultGridModel::PriceMarkRole).toString(), QString());
    QVERIFY(!same.data(ResultGridModel::LowestPriceRole).toBool());
}

void SearchEndToEndTest::blankKeywordSendsNothing()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    const int before = harness.service().requestCount("/ListAll.aspx");
    window.resultsView().Edt_word->setText(QStringLiteral("   "));
    window.search()->suiButton1Click();
    // A blank keyword sends nothing at once: the loader is idle right after the click.
    QVERIFY(!window.wbwebb().isLoading());
    QCOMPARE(harness.service().requestCount("/ListAll.aspx"), before);
    // Nothing loads, so nothing waits: no panel, and the count of the emptied list.
    QVERIFY(!window.progressPanel().isVisible());
    QCOMPARE(window.statusText(), QStringLiteral("本次搜索结果有: 0 条记录"));
}

void SearchEndToEndTest::pictureClickShowsTheLargePictureAndTheCursorRules()
{
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    waitForStartUp(window);
    search(window, "lab44");
    ResultGrid& grid = window.search()->grid();
    // The pointer last moved at 200 pixels below the grid's top edge.
    grid.DBGridEh1MouseMove(QPoint(5, 200 - window.resultsView().DBGridEh1->horizontalHeader()->height()));
    grid.DBGridEh1CellClick(grid.model().index(1, 0));
    QTRY_VERIFY_WITH_TIMEOUT(window.bigPanel().isVisible(), 10000);
    QCOMPARE(window.bigPanel().y(), 145);
    const QString cph = grid.model().text(1, column::cph);
    QVERIFY(QFileInfo::exists(*window.pictureCache().largePicturePath(cph)));
    QVERIFY2(!QGuiApplication::overrideCursor(), "the hourglass stayed after the large picture");

    // Over a product name the hand on the grid alone, and the large picture is hidden.
    QTableView* view = window.resultsView().DBGridEh1;
    const auto gridCursor = [view] { return view->viewport()->cursor().shape(); };
    const QRect name = view->visualRect(grid.model().index(0, 1));
    grid.DBGridEh1MouseMove(name.center());
    QCOMPARE(gridCursor(), Qt::PointingHandCursor);
    QVERIFY2(!QGuiApplication::overrideCursor(), "the grid's hand must not override the program's cursors");
    QVERIFY(!window.bigPanel().isVisible());
    // Over the picture column nothing changes.
    grid.DBGridEh1MouseMove(view->visualRect(grid.model().index(0, 0)).center());
    QCOMPARE(gridCursor(), Qt::PointingHandCursor);
    // Over the shop column the grid's own cursor again, and the boxes elsewhere keep theirs.
    grid.DBGridEh1MouseMove(view->visualRect(grid.model().index(0, 5)).center());
    QCOMPARE(gridCursor(), Qt::ArrowCursor);
    QVERIFY(!view->viewport()->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(window.resultsView().Edt_word->cursor().shape(), Qt::IBeamCursor);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void SearchEndToEndTest::aScreenPaintedColdShowsWhatAWarmPaintShows()
{
    // A cold screen's pictures are decoded beside the painting of its texts and drawn after its cells:
    // every cold paint must come out as the warm one, pictures in their cells.
    WindowHarness harness;
    Tfrmvorbel& window = harness.open();
    window.resize(1020, 700);
    waitForStartUp(window);
    search(window, "lab37");
    QTableView& grid = *window.resultsView().DBGridEh1;
    const auto paint = [&grid] {
        QImage image(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        grid.viewport()->render(&painter);
        return image;
    };
    paint();
    const QImage warm = paint();

    // The pictures are there: the middle of the first row's picture cell is the picture's own middle.
    const ResultGridModel& model = window.search()->grid().model();
    int column = 0;
    while (model.field(column) != QLatin1String("bz1"))
        ++column;
    const QRect cell = grid.visualRect(model.index(0, column));
    const QString path = *window.pictureCache().smallPicturePath(model.text(0, column::cph));
    const QImage alone = ThumbnailCache().picture(path, cell.size());
    QVERIFY(!alone.isNull());
    QCOMPARE(warm.pixel(cell.center()), alone.pixel(cell.center() - cell.topLeft()));

    ThumbnailCache& thumbnails = window.search()->grid().thumbnails();
    for (int round = 0; round < 40; ++round) {
        thumbnails.clear();
        QVERIFY2(paint() == warm, qPrintable(QStringLiteral("cold paint %1").arg(round)));
    }

    // A paint of another column's cell decodes no picture; the next paint of the pictures does.
    thumbnails.clear();
    QImage part(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&part);
    grid.viewport()->render(&painter, QPoint(), QRegion(grid.visualRect(model.index(0, column + 2))));
    painter.end();
    QVERIFY(!thumbnails.holds(path, cell.size()));
    QCOMPARE(paint(), warm);
    QVERIFY(thumbnails.holds(path, cell.size()));
}

QTEST_MAIN(SearchEndToEndTest)
#include "SearchEndToEndTest.moc"
