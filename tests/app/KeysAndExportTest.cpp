// The grids' export menu and find bar, and the window's keys: each case runs the real window against the
// reference service and gives its input through the widgets, as a user would.
#include "testing/CsvReading.h"
#include "testing/WindowHarness.h"
#include "testing/WindowLoads.h"

#include "app/HomeView.h"
#include "app/ToolBar.h"
#include "app/Uabout.h"
#include "favourites/ui/FavouritesCommands.h"
#include "favourites/ui/FavouritesGrid.h"
#include "favourites/ui/FavouritesView.h"
#include "platform/Downloader.h"
#include "platform/PageLoader.h"
#include "results/ResultGridModel.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "store/Columns.h"
#include "store/StandingQueries.h"
#include "widgets/BigPicturePanel.h"
#include "widgets/FindBar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDirIterator>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace vorbel;
using vorbel::test::CsvField;
using vorbel::test::CsvFile;
using vorbel::test::WindowHarness;

namespace {

constexpr int Deadline = 20000;
const QString ExportCommand = QStringLiteral("导出为 CSV…");
const QString NotFound = QStringLiteral("没有找到");

bool busy(Tfrmvorbel& window)
{
    return test::somethingLoads(window);
}

/// Started, identified and active, so that its keys reach it.
void openActive(WindowHarness& harness)
{
    Tfrmvorbel& window = harness.open();
    QTRY_VERIFY_WITH_TIMEOUT(!window.state().UserId.isEmpty() && !window.state().LinkCodeA.isEmpty(),
                             Deadline);
    QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

void typedSearch(Tfrmvorbel& window, const QString& keyword)
{
    window.btn1Click();
    window.resultsView().Edt_word->setText(keyword);
    window.resultsView().suiButton1->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.queries()->ADOQuery2.recordCount() > 0 && !busy(window), Deadline);
}

/// Right-clicks the grid and picks the export command from the menu that opens.
void exportThroughMenu(QTableView& grid)
{
    const QPoint at(grid.viewport()->width() / 2, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid.viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid.viewport(), &event);
    QMenu* menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
    // The export, then the price history of the row the menu was opened on.
    QCOMPARE(menu->actions().size(), 2);
    QAction* command = menu->actions().first();
    QCOMPARE(command->text(), ExportCommand);
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("价格走势"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(command).center());
    QTRY_VERIFY(!menu->isVisible());
}

/// What the grid shows, as its export must hold it: the titles but the picture's, then every row.
QList<QStringList> shownRows(const QTableView& grid)
{
    const auto& model = static_cast<const ResultGridModel&>(*grid.model());
    QList<QStringList> rows;
    QStringList titles;
    for (int column = 1; column < model.columnCount(); ++column)
        titles << model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    rows << (titles << QStringLiteral("商品链接"));
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 1; column < model.columnCount(); ++column)
            cells << model.index(row, column).data().toString();
        rows << (cells << model.text(row, column::cplj));
    }
    return rows;
}

QList<QStringList> recordTexts(const CsvFile& file)
{
    QList<QStringList> rows;
    for (std::size_t record = 0; record < file.records.size(); ++record)
        rows << file.texts(record);
    return rows;
}

QStringList csvFilesUnder(const QString& folder)
{
    QStringList found;
    QDirIterator walk(folder, {QStringLiteral("*.csv")}, QDir::Files | QDir::Hidden,
                      QDirIterator::Subdirectories);
    while (walk.hasNext())
        found << walk.next();
    return found;
}

void renameRow(StandingQuery& results, int row, const QString& name)
{
    results.setCurrentRow(row);
    results.edit();
    results.setValue(column::cpmc, name);
    results.post();
}

bool rowIsVisible(const QTableView& grid, int row)
{
    const QRect cell = grid.visualRect(grid.model()->index(row, 1));
    return cell.isValid() && grid.viewport()->rect().intersects(cell);
}

} // namespace

class KeysAndExportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportWritesTheFilteredSortedRowsAsShown();
    void aCancelledExportWritesAndSaysNothing();
    void aFailedExportSaysSoAndLeavesNoFile();
    void theFavouritesGridExportsToo();
    void findMovesBetweenMatchingRowsBothWays();
    void findSaysWhenNothingMatches();
    void eachGridFindsInItsOwnRows();
    void enterInEitherKeywordBoxSearches();
    void escapeHidesTheLargePicture();
    void toolbarShortcutsRunTheirCommands();
    void tabRunsFromBoxToButtonToGrid();
};

void KeysAndExportTest::exportWritesTheFilteredSortedRowsAsShown()
{
    service::ServiceOptions options;
    options.pageSize = 28;
    WindowHarness harness(options);
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    typedSearch(window, QStringLiteral("导出"));
    StandingQuery& results = window.queries()->ADOQuery2;
    const int all = results.recordCount();
    // A row of a shop that stays ticked gets a name with quotes, a comma and a line break.
    int kept = 0;
    while (results.valueAt(kept, column::sjlx).toString() == QStringLiteral("京东商城"))
        ++kept;
    renameRow(results, kept, QStringLiteral("“双引号” \"quoted\", 逗号\n换行 =1+1"));
    ResultsView& view = window.resultsView();
    view.shopBoxes[3]->click(); // 京东商城 off
    QTRY_VERIFY(results.recordCount() < all && results.recordCount() > 0);
    QTableView& grid = *view.DBGridEh1;
    QTest::mouseClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(grid.horizontalHeader()->sectionViewportPosition(3) + 10, 10)); // 价格
    QCOMPARE(window.search()->grid().sortMarker(column::jg), QStringLiteral("down"));

    const QString path = harness.path(QStringLiteral("比价结果 导出.csv"));
    harness.files().answerNext(path);
    exportThroughMenu(grid);
    QCOMPARE(harness.files().asked().size(), 1);
    QCOMPARE(harness.files().asked().first().suggestedName, QStringLiteral("比价结果.csv"));
    QVERIFY2(harness.messages().texts().isEmpty(), qPrintable(harness.messages().texts().join(u'|')));

    const std::optional<CsvFile> file = vorbel::test::readCsv(path);
    QVERIFY2(file, "the export is not well-formed CSV");
    QVERIFY(file->byteOrderMark);
    QCOMPARE(recordTexts(*file), shownRows(grid));
    QCOMPARE(int(file->records.size()), results.recordCount() + 1);
    double previous = 1e18;
    bool renamedSeen = false;
    for (std::size_t record = 1; record < file->records.size(); ++record) {
        const auto& cells = file->records[record];
        QVERIFY2(cells[4].text != QStringLiteral("京东商城"), "an unticked shop's row was exported");
        QVERIFY2(!cells[2].quoted, qPrintable(cells[2].text)); // the price is a number
        QVERIFY(cells[2].text.toDouble() <= previous);
        previous = cells[2].text.toDouble();
        if (cells[0].text.startsWith(QStringLiteral("“双引号”"))) {
            renamedSeen = true;
            QCOMPARE(cells[0].text, QStringLiteral("“双引号” \"quoted\", 逗号\n换行 =1+1"));
        }
    }
    QVERIFY2(renamedSeen, "the renamed row is not in the file");
}

void KeysAndExportTest::aCancelledExportWritesAndSaysNothing()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    typedSearch(window, QStringLiteral("取消"));
    exportThroughMenu(*window.resultsView().DBGridEh1);
    QCOMPARE(harness.files().asked().size(), 1);
    QCOMPARE(harness.files().asked().first().filter, QStringLiteral("CSV 文件 (*.csv)"));
    QVERIFY(harness.messages().texts().isEmpty());
    QVERIFY(csvFilesUnder(harness.path(QString())).isEmpty());
}

void KeysAndExportTest::aFailedExportSaysSoAndLeavesNoFile()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    typedSearch(window, QStringLiteral("失败"));
    const QString path = harness.path(QStringLiteral("没有的文件夹/结果.csv"));
    harness.files().answerNext(path);
    exportThroughMenu(*window.resultsView().DBGridEh1);
    QCOMPARE(harness.messages().texts().size(), 1);
    QVERIFY2(harness.messages().texts().first().startsWith(QStringLiteral("导出失败")),
             qPrintable(harness.messages().texts().first()));
    QVERIFY(harness.messages().texts().first().contains(QStringLiteral("结果.csv")));
    QCOMPARE(harness.messages().icons().first(), MessageBoxes::Icon::Warning);
    QVERIFY(csvFilesUnder(harness.path(QString())).isEmpty());
}

void KeysAndExportTest::theFavouritesGridExportsToo()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    typedSearch(window, QStringLiteral("收藏导出"));
    ResultGrid& results = window.search()->grid();
    results.DBGridEh1CellClick(results.model().index(1, 8)); // 收藏
    QTRY_VERIFY_WITH_TIMEOUT(harness.service().requestCount("/OpFav.aspx") == 1, Deadline);
    harness.messages().clear();
    window.toolBar().btn2->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.queries()->ADOQuery3.recordCount() == 1 && !busy(window), Deadline);

    const QString path = harness.path(QStringLiteral("收藏.csv"));
    harness.files().answerNext(path);
    QTableView& grid = *window.favouritesView().DBGridEh2;
    exportThroughMenu(grid);
    QCOMPARE(harness.files().asked().first().suggestedName, QStringLiteral("商品收藏夹.csv"));
    const std::optional<CsvFile> file = vorbel::test::readCsv(path);
    QVERIFY(file);
    QCOMPARE(recordTexts(*file), shownRows(grid));
    QCOMPARE(file->texts(0).first(), QStringLiteral("商品名称"));
    QCOMPARE(file->records[1][0].text, results.model().text(1, column::cpmc));
    QVERIFY(!file->records[1][2].quoted); // the collected price is a number
}

void KeysAndExportTest::findMovesBetweenMatchingRowsBothWays()
{
    service::ServiceOptions options;
    options.pageSize = 24;
    WindowHarness harness(options);
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    typedSearch(window, QStringLiteral("查找"));
    StandingQuery& results = window.queries()->ADOQuery2;
    QCOMPARE(results.recordCount(), 24);
    // Two rows to find, the second far below the first screen.
    renameRow(results, 2, QStringLiteral("甲 ZqX 乙"));
    renameRow(results, 21, QStringLiteral("丙 zqx 丁"));
    QTableView& grid = *window.resultsView().DBGridEh1;
    FindBar& bar = *window.resultsView().findBar;
    QVERIFY(!bar.isVisible());
    QVERIFY(!rowIsVisible(grid, 21));

    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar.isVisible());
    QCOMPARE(QApplication::focusWidget(), bar.textBox());
    QTest::keyClicks(bar.textBox(), QStringLiteral("ZQX"));
    QTest::keyClick(bar.textBox(), Qt::Key_Return);
    QCOMPARE(grid.currentIndex().row(), 2);
    QCOMPARE(grid.currentIndex().column(), 1);
    QTest::keyClick(bar.textBox(), Qt::Key_F3);
    QCOMPARE(grid.currentIndex().row(), 21);
    QVERIFY2(rowIsVisible(grid, 21), "the grid did not scroll to the found row");
    QVERIFY(bar.note().isEmpty());

    // On the grid itself, F3 goes on round the end and Shift+F3 back.
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F3);
    QCOMPARE(grid.currentIndex().row(), 2);
    QVERIFY(rowIsVisible(grid, 2));
    QTest::keyClick(&grid, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(grid.currentIndex().row(), 21);
    QTest::keyClick(&grid, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(grid.currentIndex().row(), 2);
    bar.previousButton()->click();
    QCOMPARE(grid.currentIndex().row(), 21);

    // Esc closes the bar and gives the grid the keys again; Ctrl+F brings the last text back selected.
    QTest::keyClick(bar.textBox(), Qt::Key_Escape);
    QVERIFY(!bar.isVisible());
    QCOMPARE(QApplication::focusWidget(), &grid);
    // F3 with the bar closed finds the last text again and shows the bar, where a miss would be said.
    QTest::keyClick(&grid, Qt::Key_F3);
    QCOMPARE(grid.currentIndex().row(), 2);
    QVERIFY(bar.isVisible());
    QCOMPARE(QApplication::focusWidget(), &grid);
    QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(bar.textBox()->selectedText(), QStringLiteral("ZQX"));
}

void KeysAndExportTest::findSaysWhenNothingMatches()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    typedSearch(window, QStringLiteral("没有"));
    QTableView& grid = *window.resultsView().DBGridEh1;
    FindBar& bar = *window.resultsView().findBar;
    grid.setFocus();
    // F3 before anything was looked for opens the bar to type in.
    QTest::keyClick(&grid, Qt::Key_F3);
    QVERIFY(bar.isVisible());
    grid.setCurrentIndex(grid.model()->index(1, 1));
    QTest::keyClicks(bar.textBox(), QStringLiteral("no-such-product"));
    QTest::keyClick(bar.textBox(), Qt::Key_Return);
    QCOMPARE(bar.note(), NotFound);
    QCOMPARE(bar.findChild<QLabel*>(QStringLiteral("findNote"))->text(), NotFound);
    QCOMPARE(grid.currentIndex().row(), 1);
    QTest::keyClick(bar.textBox(), Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(bar.note(), NotFound);
    // Typing again takes the note away; a text that is there finds its row.
    bar.textBox()->clear();
    const QString name = window.search()->grid().model().text(0, column::cpmc);
    QTest::keyClicks(bar.textBox(), QStringLiteral("x"));
    QVERIFY(bar.note().isEmpty());
    bar.textBox()->setText(name);
    QTest::keyClick(bar.textBox(), Qt::Key_Return);
    QVERIFY(bar.note().isEmpty());
    QVERIFY(window.search()->grid().model().text(grid.currentIndex().row(), column::cpmc).contains(name));
}

void KeysAndExportTest::eachGridFindsInItsOwnRows()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    typedSearch(window, QStringLiteral("各自"));
    ResultGrid& results = window.search()->grid();
    results.DBGridEh1CellClick(results.model().index(0, 8));
    QTRY_VERIFY_WITH_TIMEOUT(harness.service().requestCount("/OpFav.aspx") == 1, Deadline);
    window.toolBar().btn2->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.queries()->ADOQuery3.recordCount() == 1 && !busy(window), Deadline);
    QTableView& grid = *window.favouritesView().DBGridEh2;
    FindBar& bar = *window.favouritesView().findBar;
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar.isVisible());
    QVERIFY(!window.resultsView().findBar->isVisible());
    bar.textBox()->setText(window.favourites()->grid().model().text(0, column::cpmc));
    QTest::keyClick(bar.textBox(), Qt::Key_Return);
    QCOMPARE(grid.currentIndex().row(), 0);
    QVERIFY(bar.note().isEmpty());
    bar.textBox()->setText(QStringLiteral("only-in-the-results"));
    QTest::keyClick(bar.textBox(), Qt::Key_Return);
    QCOMPARE(bar.note(), NotFound);
}

void KeysAndExportTest::enterInEitherKeywordBoxSearches()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    const int before = harness.service().requestCount("/ListAll.aspx");
    QLineEdit& home = *window.homeView().keywordBox();
    home.setFocus();
    QTest::keyClicks(&home, QStringLiteral("ipod"));
    QTest::keyClick(&home, Qt::Key_Return);
    QCOMPARE(window.currentView(), View::Results);
    QTRY_VERIFY_WITH_TIMEOUT(window.queries()->ADOQuery2.recordCount() > 0 && !busy(window), Deadline);
    QCOMPARE(harness.service().requestCount("/ListAll.aspx"), before + 1);
    QCOMPARE(window.state().SearchWord, QStringLiteral("ipod"));

    QLineEdit& box = *window.resultsView().Edt_word;
    box.setFocus();
    box.selectAll();
    QTest::keyClicks(&box, QStringLiteral("nokia"));
    QTest::keyClick(&box, Qt::Key_Enter); // the keypad's Enter too
    QTRY_VERIFY_WITH_TIMEOUT(harness.service().requestCount("/ListAll.aspx") == before + 2 && !busy(window),
                             Deadline);
    QCOMPARE(window.state().SearchWord, QStringLiteral("nokia"));
}

void KeysAndExportTest::escapeHidesTheLargePicture()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    typedSearch(window, QStringLiteral("大图"));
    QImage picture(120, 120, QImage::Format_RGB32);
    picture.fill(Qt::red);
    BigPicturePanel& panel = window.bigPanel();
    panel.showPicture(picture, 80);
    QVERIFY(panel.isVisible());
    QTableView& grid = *window.resultsView().DBGridEh1;
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Escape);
    QVERIFY(!panel.isVisible());

    // With the find bar open, Esc closes the bar first and leaves the window as it is.
    panel.showPicture(picture, 80);
    QTest::keyClick(&grid, Qt::Key_F, Qt::ControlModifier);
    FindBar& bar = *window.resultsView().findBar;
    QVERIFY(bar.isVisible());
    QTest::keyClick(bar.textBox(), Qt::Key_Escape);
    QVERIFY(!bar.isVisible());
    QVERIFY(window.isVisible());
    QTest::keyClick(&grid, Qt::Key_Escape);
    QVERIFY(!panel.isVisible());
}

void KeysAndExportTest::toolbarShortcutsRunTheirCommands()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    ToolBar& bar = window.toolBar();
    const int lists = harness.service().requestCount("/ListAllMyFav.aspx");
    QTest::keyClick(&window, Qt::Key_2, Qt::ControlModifier);
    QTRY_COMPARE(window.currentView(), View::Favourites);
    QTRY_VERIFY_WITH_TIMEOUT(!busy(window), Deadline);
    QCOMPARE(window.state().PageMode, AppState::Favourites);
    QTest::keyClick(&window, Qt::Key_3, Qt::ControlModifier);
    QTRY_COMPARE(window.state().PageMode, AppState::PriceDrops);
    QTRY_VERIFY_WITH_TIMEOUT(
        !busy(window) && harness.service().requestCount("/ListAllMyFav.aspx") == lists + 2, Deadline);
    QTRY_VERIFY(bar.btn1->isEnabled());
    QTest::keyClick(&window, Qt::Key_1, Qt::ControlModifier);
    QTRY_COMPARE(window.currentView(), View::Results);
    QCOMPARE(window.state().PageMode, AppState::Search);

    QTest::keyClick(&window, Qt::Key_F1);
    Tfrmabout* about = nullptr;
    QTRY_VERIFY((about = window.findChild<Tfrmabout*>()) != nullptr && about->isVisible());
    about->close();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QVERIFY(bar.btn9->toolTip().contains(QStringLiteral("F1")));
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!window.isVisible());
}

void KeysAndExportTest::tabRunsFromBoxToButtonToGrid()
{
    WindowHarness harness;
    openActive(harness);
    Tfrmvorbel& window = harness.window();
    QLineEdit& home = *window.homeView().keywordBox();
    home.setFocus();
    QTest::keyClick(&home, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("suiButton4"));

    typedSearch(window, QStringLiteral("次序"));
    ResultsView& view = window.resultsView();
    view.Edt_word->setFocus();
    QTest::keyClick(view.Edt_word, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view.suiButton1);
    QTest::keyClick(view.suiButton1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view.DBGridEh1);
    QTest::keyClick(view.DBGridEh1, Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), view.suiButton1);
}

QTEST_MAIN(KeysAndExportTest)
#include "KeysAndExportTest.moc"
