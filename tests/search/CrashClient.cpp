// vorbel-crash-client SERVICE_URL DATABASE_FILE TEMP_FOLDER KEYWORD
//
// One search of the real search core, without a window: start-up's store steps on the database file, the
// search start, the result page loaded and read, the pictures fetched into TEMP_FOLDER/vorbelpic. A test
// kills it at random moments and then looks at what the file and the cache hold.
//
// Standard output, flushed line by line:
//   posted <bh>      the row of offer <bh> is durable (its page's transaction has committed)
//   finished <n>     every picture is done; the result list holds n rows
//   failed <text>    the search stopped on an error
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/PageLoader.h"
#include "search/ResultPageReader.h"
#include "search/SearchStart.h"
#include "session/AppState.h"
#include "session/Startup.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <cstdio>

using namespace vorbel;

namespace {

void say(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

int fail(const QString& why)
{
    say(QStringLiteral("failed ") + why);
    return 1;
}

/// Rows are written inside the reader's one transaction per page, which has committed when read()
/// returns: only then do they count as posted.
void reportPosted(const StandingQuery& results)
{
    for (int row = 0; row < results.recordCount(); ++row)
        say(QStringLiteral("posted ") + results.valueAt(row, QStringLiteral("bh")).toString());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 5) {
        std::fputs("usage: vorbel-crash-client SERVICE_URL DATABASE_FILE TEMP_FOLDER KEYWORD\n", stderr);
        return 2;
    }
    auto opened = Database::open(args[2]);
    if (const auto* failure = std::get_if<QString>(&opened))
        return fail(*failure);
    Database& db = *std::get<std::unique_ptr<Database>>(opened);
    StandingQueries queries(db);
    AppState state;
    state.TempPath = args[3].endsWith(QLatin1Char('/')) ? args[3] : args[3] + QLatin1Char('/');
    PictureCache cache(state.TempPath);
    QNetworkAccessManager network;
    Downloader downloader(network);
    PageLoader loader(network);
    SystemClock clock;
    ResultPageReader reader(db, queries, state, cache, downloader, clock);
    try {
        openStandingQueries(queries);
        emptyPreviousResults(queries);
        readOrCreateSettings(queries, state);
        if (!cache.ensureFolder())
            return fail(QStringLiteral("no picture folder"));
        startSearch(args[4], queries, state);
    } catch (const std::exception& error) {
        return fail(QString::fromUtf8(error.what()));
    }

    QObject::connect(&loader, &PageLoader::DocumentComplete, &reader, [&] {
        reader.read(loader.page());
        reportPosted(queries.ADOQuery2);
    });
    QObject::connect(&reader, &ResultPageReader::finished, &application, [&](int count) {
        say(QStringLiteral("finished %1").arg(count));
        application.quit();
    });
    QObject::connect(&reader, &ResultPageReader::failed, &application, [&](const QString& message, int) {
        say(QStringLiteral("failed ") + message);
        application.exit(1);
    });
    loader.Navigate(searchUrl(args[1], state));
    return application.exec();
}
