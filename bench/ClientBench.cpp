// Whole-program figures taken in the real main window on Qt's offscreen platform, timed by the program
// itself (search, grid) or from outside by the bench script (start-up):
//   bench_client bare                          a bare Qt Widgets window: shown, then the process ends
//   bench_client startup URL                   the main window: shown with its settings read, then ends
//   bench_client key [ROUNDS]                  the store file of the current folder keyed and its first
//                                              page read by the bare engine (its own key derivation),
//                                              beside the program's own opening of the same file
//   bench_client search URL KEYWORD [ROUNDS]   one search from the request until the last row is stored
//                                              and the last picture is in the cache, and from the page's
//                                              last byte to its first screen painted; then one screen of
//                                              the result grid painted warm and cold, beside the decode
//                                              of its pictures alone
//   bench_client filter URL KEYWORD [ROUNDS]   one search, then shop box and title clicks on the offers
//                                              shown, each until the grid is repainted, beside a bare
//                                              SQLCipher select of the same rows on the same file
// The start-up and search modes use the database and picture cache in the current folder.

#include "app/HomeView.h"
#include "app/Uzjm.h"
#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/Notifier.h"
#include "platform/SystemBrowser.h"
#include "platform/ui/FontConfiguration.h"
#include "results/JpegThumbnails.h"
#include "results/ResultGridModel.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/ResultFilter.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "store/Columns.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"
#include "store/StoreLocation.h"
#include "widgets/GridSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>
#include <variant>
#include <vector>

using namespace vorbel;

namespace {

/// Notices go to standard error: a modal box would stop the measurement.
class PrintedMessages : public MessageBoxes
{
public:
    void inform(const QString& text, Icon) override
    {
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
    }
    bool confirm(const QString& text) override
    {
        inform(text, Icon::Question);
        return true;
    }
};

class NoBrowser : public SystemBrowser
{
protected:
    bool openWebPage(const QUrl&) override { return false; }
};

class NoFileDialogs : public FileDialogs
{
public:
    std::optional<QString> saveFileName(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
};

/// The bench's desktop has no tray: nothing is checked quietly while it measures.
class NoTray : public Notifier
{
public:
    bool isAvailable() const override { return false; }
    void notify(const QString&, const QString&) override {}
};

struct Outside
{
    explicit Outside(const QString& service)
        : services{network, browser, messages, clock, files, notifier, {service, service}}
    {
    }

    QNetworkAccessManager network;
    NoBrowser browser;
    PrintedMessages messages;
    SystemClock clock;
    NoFileDialogs files;
    NoTray notifier;
    Services services;
};

/// Runs the event loop until done() holds or the time is up. The loop waits for events as the
/// application's own loop does: spinning instead would take a core from the transfers being measured.
template <typename Done> bool turnUntil(Done done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    QTimer wake; // so that a wait for events ends in time to see the deadline
    wake.start(20);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

int bare()
{
    QWidget window;
    window.resize(1020, 700);
    window.show();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

/// The program always runs with its skin; a window timed without it would leave out the style sheet's work.
bool skinned(const QWidget& window)
{
    if (window.styleSheet() != gridTitleRules())
        return true;
    std::fprintf(stderr, "no skin (vorbel.sui) beside the bench: not timed\n");
    return false;
}

int startup(const QString& service, std::unique_ptr<StoreOpening> store)
{
    Outside outside(service);
    Tfrmvorbel window(outside.services, std::move(store));
    if (!skinned(window))
        return 1;
    window.show();
    // Start-up runs as the window is first shown; the commands exist once the settings are read. A
    // first run in a new folder also waits for the identity and the link codes, leaving a complete row.
    std::function<void()> check = [&] {
        const bool settled =
            window.search() && !window.state().UserId.isEmpty() && !window.state().LinkCodeA.isEmpty();
        if (settled || window.startupFailed())
            QCoreApplication::quit();
        else
            QTimer::singleShot(0, qApp, check);
    };
    QTimer::singleShot(0, qApp, check);
    QApplication::exec();
    return window.search() ? 0 : 1;
}

/// Times the end of the first paint of the watched widget that `wanted` accepts: that paint is run from
/// inside the filter, so the time is taken the moment it is over, even when the paint was asked for in
/// the middle of a long handler that runs no event loop.
class PaintWatch : public QObject
{
public:
    PaintWatch(std::function<bool()> wanted, std::function<void()> painted)
        : m_wanted(std::move(wanted)), m_painted(std::move(painted))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_done || m_inside || event->type() != QEvent::Paint || !m_wanted())
            return QObject::eventFilter(watched, event);
        m_inside = true;
        QCoreApplication::sendEvent(watched, event);
        m_inside = false;
        m_done = true;
        m_painted();
        return true;
    }

private:
    std::function<bool()> m_wanted;
    std::function<void()> m_painted;
    bool m_inside = false;
    bool m_done = false;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double paintScreen(QTableView& grid)
{
    QImage screen(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer timer;
    timer.start();
    QPainter painter(&screen);
    grid.viewport()->render(&painter);
    painter.end();
    return double(timer.nsecsElapsed()) / 1e6;
}

/// The pictures of the rows one screen shows, decoded at their cell size and nothing else; with
/// `thumbnails`, read into that cache instead, as the cold paint reads them (decode and scale).
double decodeScreenPictures(Tfrmvorbel& window, QTableView& grid, int rows,
                            ThumbnailCache* thumbnails = nullptr)
{
    const ResultGridModel& model = window.search()->grid().model();
    int column = 0;
    while (column < model.columnCount() && model.field(column) != QLatin1String("xtp"))
        ++column;
    const QSize cell(grid.columnWidth(column), grid.rowHeight(0));
    QElapsedTimer timer;
    timer.start();
    for (int row = 0; row < rows; ++row) {
        const auto path = window.pictureCache().smallPicturePath(model.text(row, column::cph));
        if (path && thumbnails)
            thumbnails->picture(*path, cell);
        else if (path)
            decodeJpegNear(*path, cell);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

/// The result grid of a window, with the window itself, searched once.
struct Searched
{
    explicit Searched(const QString& service) : outside(service), window(outside.services) {}

    Outside outside;
    Tfrmvorbel window;
    double searchMs = 0;
    double pageMs = 0;
    double firstScreenMs = 0;
};

/// One search from the button until the end: every row stored and every picture done.
bool searchOnce(Searched& searched, const QString& keyword)
{
    Tfrmvorbel& window = searched.window;
    if (!skinned(window))
        return false;
    window.resize(1020, 700);
    window.show();
    if (!turnUntil([&] { return window.search() && !window.state().LinkCodeA.isEmpty(); }, 30000)) {
        std::fprintf(stderr, "start-up did not finish\n");
        return false;
    }
    ResultPageReader& reader = window.search()->reader();
    bool ended = false;
    QObject::connect(&reader, &ResultPageReader::finished, [&](int) { ended = true; });
    QObject::connect(&reader, &ResultPageReader::failed, [&](const QString&, int) { ended = true; });
    window.homeView().keywordBox()->setText(keyword);

    QTableView& grid = *window.resultsView().DBGridEh1;
    // The page's last byte: the network's own end of the page's reply, which comes before the page
    // loader reads it. The first screen: the first paint of the grid's viewport that has a screen of
    // offers to show.
    qint64 lastByteNs = -1, firstScreenNs = -1;
    QElapsedTimer timer;
    const QMetaObject::Connection pageEnd = QObject::connect(
        &searched.outside.network, &QNetworkAccessManager::finished, [&](QNetworkReply* reply) {
            if (lastByteNs < 0 && reply->url().path().contains(QLatin1String("ListAll")))
                lastByteNs = timer.nsecsElapsed();
        });
    const int wantedRows =
        grid.viewport()->height() / std::max(1, grid.verticalHeader()->defaultSectionSize());
    PaintWatch firstPaint([&] { return lastByteNs >= 0 && grid.model()->rowCount() >= wantedRows; },
                          [&] { firstScreenNs = timer.nsecsElapsed(); });
    grid.viewport()->installEventFilter(&firstPaint);
    timer.start();
    window.search()->suiButton4Click();
    const bool done = turnUntil([&] { return ended; }, 600000);
    grid.viewport()->removeEventFilter(&firstPaint);
    QObject::disconnect(pageEnd);
    if (!done) {
        std::fprintf(stderr, "the search did not end\n");
        return false;
    }
    searched.searchMs = double(timer.nsecsElapsed()) / 1e6;
    searched.pageMs = double(lastByteNs) / 1e6;
    searched.firstScreenMs = double(firstScreenNs - lastByteNs) / 1e6;
    return true;
}

int search(const QString& service, const QString& keyword, int rounds)
{
    Searched searched(service);
    if (!searchOnce(searched, keyword))
        return 1;
    Tfrmvorbel& window = searched.window;
    const int rows = window.queries()->ADOQuery2.recordCount();
    const int pictures =
        int(QDir(window.pictureCache().folder()).entryList({QStringLiteral("*.jpg")}, QDir::Files).size());
    std::printf("search_ms %.1f\nrows %d\npictures %d\n", searched.searchMs, rows, pictures);
    std::printf("page_ms %.1f\nfirst_screen_ms %.2f\n", searched.pageMs, searched.firstScreenMs);

    QTableView& grid = *window.resultsView().DBGridEh1;
    turnUntil([] { return false; }, 200); // let the view settle after the last row
    const int screenRows = std::min(rows, grid.viewport()->height() / std::max(1, grid.rowHeight(0)) + 1);
    ThumbnailCache& thumbnails = window.search()->grid().thumbnails();
    std::vector<double> warm, cold, decode, thumbs;
    // Every step starts right after a warm paint, as the cold paint does: run straight after the cold
    // paint, the decode alone found the caches full of what that paint had just decoded.
    paintScreen(grid);
    for (int i = 0; i < rounds; ++i) {
        warm.push_back(paintScreen(grid));
        thumbnails.clear();
        cold.push_back(paintScreen(grid));
        paintScreen(grid);
        decode.push_back(decodeScreenPictures(window, grid, screenRows));
        paintScreen(grid);
        ThumbnailCache alone;
        thumbs.push_back(decodeScreenPictures(window, grid, screenRows, &alone));
    }
    std::printf(
        "screen_rows %d\ngrid_warm_ms %.3f\ngrid_cold_ms %.3f\ngrid_decode_ms %.3f\ngrid_thumbs_ms %.3f\n",
        screenRows, median(warm), median(cold), median(decode), median(thumbs));
    return 0;
}

/// A select of the bare engine on its own connection to the file, every value of every row read as
/// text, as anything that shows the rows must read them.
class BareSelect
{
public:
    explicit BareSelect(const QString& path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_key(m_handle, Database::Password, int(std::strlen(Database::Password)));
    }
    ~BareSelect() { sqlite3_close(m_handle); }

    /// Milliseconds for the statement, from prepare to its last row; rows gets the count.
    double run(const QString& sql, int& rows)
    {
        QElapsedTimer timer;
        timer.start();
        sqlite3_stmt* statement = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &statement, nullptr) !=
            SQLITE_OK)
            qFatal("bare select: %s", sqlite3_errmsg(m_handle));
        rows = 0;
        qint64 bytes = 0;
        const int columns = sqlite3_column_count(statement);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < columns; ++c) {
                sqlite3_column_text(statement, c);
                bytes += sqlite3_column_bytes(statement, c);
            }
        }
        sqlite3_finalize(statement);
        m_bytes += bytes; // kept, so the reads are not optimised away
        return double(timer.nsecsElapsed()) / 1e6;
    }

    qint64 bytesRead() const { return m_bytes; }

private:
    sqlite3* m_handle = nullptr;
    qint64 m_bytes = 0;
};

/// The bare engine's opening of a keyed file: key derivation from the password and the first page read,
/// nothing else. Milliseconds.
double engineKeyed(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_key(handle, Database::Password, int(std::strlen(Database::Password)));
    if (sqlite3_exec(handle, "select count(*) from sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("bare key: %s", sqlite3_errmsg(handle));
    sqlite3_close(handle);
    return double(timer.nsecsElapsed()) / 1e6;
}

/// Timed in turn, round by round, so that both see the machine's same moments.
int key(int rounds)
{
    const QString path = storeFilePath();
    if (!std::holds_alternative<std::unique_ptr<Database>>(Database::open(path)))
        qFatal("the store of the current folder does not open");
    std::vector<double> engine, opened;
    for (int i = 0; i < rounds; ++i) {
        engine.push_back(engineKeyed(path));
        QElapsedTimer timer;
        timer.start();
        Database::open(path);
        opened.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("engine_key_ms %.2f\nstore_open_ms %.2f\n", median(engine), median(opened));
    return 0;
}

/// Runs action and the event loop until the grid's viewport has been painted; milliseconds to the end
/// of that paint.
double untilRepainted(QTableView& grid, const std::function<void()>& action)
{
    qint64 paintedNs = -1;
    QElapsedTimer timer;
    PaintWatch watch([] { return true; }, [&] { paintedNs = timer.nsecsElapsed(); });
    grid.viewport()->installEventFilter(&watch);
    timer.start();
    action();
    turnUntil([&] { return paintedNs >= 0; }, 10000);
    grid.viewport()->removeEventFilter(&watch);
    return double(paintedNs) / 1e6;
}

QString shopList(const std::vector<int>& shops)
{
    QStringList quoted;
    for (int shop : shops)
        quoted << QLatin1Char('\'') + filterShops()[std::size_t(shop - 1)] + QLatin1Char('\'');
    return quoted.join(QLatin1Char(','));
}

int filter(const QString& service, const QString& keyword, int rounds)
{
    Searched searched(service);
    if (!searchOnce(searched, keyword))
        return 1;
    Tfrmvorbel& window = searched.window;
    QTableView& grid = *window.resultsView().DBGridEh1;
    const auto& boxes = window.resultsView().shopBoxes;
    const ResultGridModel& model = window.search()->grid().model();
    int priceSection = -1, countSection = -1;
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.field(c) == column::jg)
            priceSection = c;
        if (model.field(c) == column::rc)
            countSection = c;
    }
    std::printf("filter_rows %d\n", window.queries()->ADOQuery2.recordCount());
    turnUntil([] { return false; }, 200);
    BareSelect bare(window.database()->path());
    // Both shop lists of the clicks below: a shop unticked (全部 goes with it), then ticked again.
    const std::vector<int> six{2, 3, 4, 5, 6, 7}, seven{1, 2, 3, 4, 5, 6, 7};
    const QString select =
        QStringLiteral("select * from cxnr where sjlx in (%1) order by cast(%2 as real)%3");
    std::vector<double> untick, tick, price, count, bareSix, bareSeven, barePrice, bareCount;
    int shownSix = 0, shownSeven = 0, bareRows = 0;
    for (int i = 0; i < rounds; ++i) {
        untick.push_back(untilRepainted(grid, [&] { boxes[1]->click(); }));
        shownSix = window.queries()->ADOQuery2.recordCount();
        tick.push_back(untilRepainted(grid, [&] { boxes[1]->click(); }));
        shownSeven = window.queries()->ADOQuery2.recordCount();
        price.push_back(
            untilRepainted(grid, [&] { window.search()->grid().DBGridEh1TitleBtnClick(priceSection); }));
        count.push_back(
            untilRepainted(grid, [&] { window.search()->grid().DBGridEh1TitleBtnClick(countSection); }));
        bareSix.push_back(bare.run(select.arg(shopList(six), QStringLiteral("jg"), QString()), bareRows));
        bareSeven.push_back(bare.run(select.arg(shopList(seven), QStringLiteral("jg"), QString()), bareRows));
        const QString all = shopList(seven);
        barePrice.push_back(
            bare.run(select.arg(all, QStringLiteral("jg"), QStringLiteral(" desc")), bareRows));
        bareCount.push_back(
            bare.run(select.arg(all, QStringLiteral("rc"), QStringLiteral(" desc")), bareRows));
        boxes[0]->click(); // all shops again for the next round
        turnUntil([] { return false; }, 50);
    }
    std::printf("shown_six %d\nshown_seven %d\nbare_rows %d\nbare_bytes %lld\n", shownSix, shownSeven,
                bareRows, static_cast<long long>(bare.bytesRead()));
    std::printf("untick_ms %.2f\ntick_ms %.2f\nsort_price_ms %.2f\nsort_count_ms %.2f\n", median(untick),
                median(tick), median(price), median(count));
    std::printf("bare_six_ms %.2f\nbare_seven_ms %.2f\nbare_price_ms %.2f\nbare_count_ms %.2f\n",
                median(bareSix), median(bareSeven), median(barePrice), median(bareCount));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // As the program does: the font configuration, then the store's opening, on a worker begun before
    // Qt's start-up.
    std::unique_ptr<StoreOpening> store;
    if (argc >= 3 && std::strcmp(argv[1], "startup") == 0)
        store = std::make_unique<StoreOpening>(storeFilePath(), readFontConfiguration);
    if (argc >= 2 && std::strcmp(argv[1], "key") == 0)
        return key(argc >= 3 ? std::atoi(argv[2]) : 10);
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("bare"))
        return bare();
    if (mode == QLatin1String("startup") && args.size() >= 3)
        return startup(args.at(2), std::move(store));
    if (mode == QLatin1String("search") && args.size() >= 4)
        return search(args.at(2), args.at(3), args.value(4, QStringLiteral("15")).toInt());
    if (mode == QLatin1String("filter") && args.size() >= 4)
        return filter(args.at(2), args.at(3), args.value(4, QStringLiteral("5")).toInt());
    std::fprintf(
        stderr,
        "usage: bench_client bare | startup URL | key [ROUNDS] | search|filter URL KEYWORD [ROUNDS]\n");
    return 2;
}
