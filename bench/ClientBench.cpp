// Whole-program figures taken in the real main window on Qt's offscreen platform, timed by the program
// itself (search, grid) or from outside by the bench script (start-up):
//   bench_client bare                          a bare Qt Widgets window: shown, then the process ends
//   bench_client startup URL                   the main window: shown with its settings read, then ends
//   bench_client search URL KEYWORD [ROUNDS]   one search from the request until the last row is stored
//                                              and the last picture is in the cache; then one screen of
//                                              the result grid painted warm and cold, beside the decode
//                                              of its pictures alone
// The start-up and search modes use the database and picture cache in the current folder.

#include "app/HomeView.h"
#include "app/Uzjm.h"
#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/Notifier.h"
#include "platform/SystemBrowser.h"
#include "results/JpegThumbnails.h"
#include "results/ResultGridModel.h"
#include "results/ui/ResultGrid.h"
#include "results/ui/ResultsView.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
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

template <typename Done> bool turnUntil(Done done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
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

int startup(const QString& service)
{
    Outside outside(service);
    Tfrmvorbel window(outside.services);
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

/// The pictures of the rows one screen shows, decoded at their cell size and nothing else.
double decodeScreenPictures(Tfrmvorbel& window, QTableView& grid, int rows)
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
        if (path)
            decodeJpegNear(*path, cell);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

int search(const QString& service, const QString& keyword, int rounds)
{
    Outside outside(service);
    Tfrmvorbel window(outside.services);
    window.resize(1020, 700);
    window.show();
    if (!turnUntil([&] { return window.search() && !window.state().LinkCodeA.isEmpty(); }, 30000)) {
        std::fprintf(stderr, "start-up did not finish\n");
        return 1;
    }
    ResultPageReader& reader = window.search()->reader();
    bool ended = false;
    QObject::connect(&reader, &ResultPageReader::finished, [&](int) { ended = true; });
    QObject::connect(&reader, &ResultPageReader::failed, [&](const QString&, int) { ended = true; });
    window.homeView().keywordBox()->setText(keyword);

    QElapsedTimer timer;
    timer.start();
    window.search()->suiButton4Click();
    if (!turnUntil([&] { return ended; }, 600000)) {
        std::fprintf(stderr, "the search did not end\n");
        return 1;
    }
    const double searchMs = double(timer.nsecsElapsed()) / 1e6;
    const int rows = window.queries()->ADOQuery2.recordCount();
    const int pictures =
        int(QDir(window.pictureCache().folder()).entryList({QStringLiteral("*.jpg")}, QDir::Files).size());
    std::printf("search_ms %.1f\nrows %d\npictures %d\n", searchMs, rows, pictures);

    QTableView& grid = *window.resultsView().DBGridEh1;
    turnUntil([] { return false; }, 200); // let the view settle after the last row
    const int screenRows = std::min(rows, grid.viewport()->height() / std::max(1, grid.rowHeight(0)) + 1);
    ThumbnailCache& thumbnails = window.search()->grid().thumbnails();
    std::vector<double> warm, cold, decode;
    paintScreen(grid);
    for (int i = 0; i < rounds; ++i) {
        warm.push_back(paintScreen(grid));
        thumbnails.clear();
        cold.push_back(paintScreen(grid));
        decode.push_back(decodeScreenPictures(window, grid, screenRows));
    }
    std::printf("screen_rows %d\ngrid_warm_ms %.3f\ngrid_cold_ms %.3f\ngrid_decode_ms %.3f\n", screenRows,
                median(warm), median(cold), median(decode));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("bare"))
        return bare();
    if (mode == QLatin1String("startup") && args.size() >= 3)
        return startup(args.at(2));
    if (mode == QLatin1String("search") && args.size() >= 4)
        return search(args.at(2), args.at(3), args.value(4, QStringLiteral("15")).toInt());
    std::fprintf(stderr, "usage: bench_client bare | startup URL | search URL KEYWORD [ROUNDS]\n");
    return 2;
}
