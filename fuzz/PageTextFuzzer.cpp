// Arbitrary bytes as a served page: charset decode, HTML5 parse, serialisation and line split, then both
// page readers on a scratch database, as the window would run them. The first byte picks the charset the
// response header names; the rest is the body.

#include "OfflineNetwork.h"

#include "favourites/FavouritesPageReader.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/PageText.h"
#include "search/ResultPageReader.h"
#include "search/SearchStart.h"
#include "session/AppState.h"
#include "session/Startup.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace vorbel;

namespace {

constexpr const char* HeaderCharsets[] = {"",        "gbk",        "utf-8", "gb2312",
                                          "GB18030", "iso-8859-1", "big5",  "x-bogus"};

/// Everything one run of the readers needs, made once: opening the encrypted store takes a key derivation,
/// far too slow for every input.
struct Scratch
{
    Scratch()
    {
        if (!folder.isValid())
            std::abort();
        auto opened = Database::open(folder.filePath(QString::fromLatin1(Database::FileName)));
        if (!std::holds_alternative<std::unique_ptr<Database>>(opened))
            std::abort();
        db = std::move(std::get<std::unique_ptr<Database>>(opened));
        queries = std::make_unique<StandingQueries>(*db);
        openStandingQueries(*queries);
        readOrCreateSettings(*queries, state);
        state.BeforeFirstSearch = false;
        cache.ensureFolder();
    }

    /// Back to a first search of the keyword and an empty favourites list, as the window leaves them
    /// (the keyword's counter row stays: its standing query holds it).
    void forgetPreviousInput()
    {
        db->exec(QStringLiteral("delete from tpb"));
        queries->qry3.execSql(QStringLiteral("delete from scnr"));
        queries->ADOQuery3.openSql(QStringLiteral("select * from scnr order by scsj"));
    }

    QTemporaryDir folder;
    std::unique_ptr<Database> db;
    std::unique_ptr<StandingQueries> queries;
    AppState state;
    PictureCache cache{folder.path() + QLatin1Char('/')};
    fuzz::OfflineNetwork network;
    Downloader downloader{network};
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0))};
};

Scratch* scratch = nullptr;

template <typename Done> void turnEventLoopUntil(Done done)
{
    const QDeadlineTimer deadline(2000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void readAsResultPage(const PageText& page)
{
    Scratch& s = *scratch;
    s.state.PageMode = AppState::Search;
    startSearch(QStringLiteral("手机"), *s.queries, s.state);
    ResultPageReader reader(*s.db, *s.queries, s.state, s.cache, s.downloader, s.clock);
    bool ended = false;
    QObject::connect(&reader, &ResultPageReader::finished, [&](int) { ended = true; });
    QObject::connect(&reader, &ResultPageReader::failed, [&](const QString&, int) { ended = true; });
    reader.read(page);
    turnEventLoopUntil([&] { return ended; });
}

void readAsFavouritesPage(const PageText& page)
{
    Scratch& s = *scratch;
    s.state.PageMode = AppState::Favourites;
    FavouritesPageReader reader(*s.db, *s.queries, s.state, s.cache, s.downloader, s.clock);
    bool ended = false;
    QObject::connect(&reader, &FavouritesPageReader::finished, [&](bool, int) { ended = true; });
    reader.read(page);
    turnEventLoopUntil([&] { return ended; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    static Scratch made;
    scratch = &made;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView charset(HeaderCharsets[data[0] % std::size(HeaderCharsets)]);
    const QByteArrayView body(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const PageText page = PageText::fromHtml(body, charset);
    try {
        scratch->forgetPreviousInput();
        readAsResultPage(page);
        readAsFavouritesPage(page);
    } catch (const std::exception&) {
        // The window reports these to the user and goes on; so does the fuzzer.
    }
    scratch->downloader.cancelAll();
    // Without a running event loop, objects handed to deleteLater wait for one; free them per input.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
