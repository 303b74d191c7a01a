#include "testing/EventLoop.h"
#include "testing/FavouritesPages.h"
#include "testing/LocalServer.h"
#include "testing/StoreFixture.h"

#include "favourites/FavouritesPageReader.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/PageText.h"
#include "session/AppState.h"
#include "session/Startup.h"
#include "store/PictureCache.h"
#include "store/PriceHistory.h"

#include <QNetworkAccessManager>
#include <atomic>

using namespace vorbel;
using namespace vorbel::test;

namespace {

class FavouritesPageReaderTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        openStandingQueries(*m_queries);
        m_server.routes().Get(R"(/pic/(\w+)\.jpg)", [this](const httplib::Request&, httplib::Response& res) {
            ++m_downloads;
            res.set_content("jpegbytes", "image/jpeg");
        });
        m_server.start();
        m_cache.ensureFolder();
        readOrCreateSettings(*m_queries, m_state);
        m_state.BeforeFirstSearch = false;
        m_state.PageMode = AppState::Favourites;
        m_reader = std::make_unique<FavouritesPageReader>(*m_db, *m_queries, m_state, m_cache, m_downloader,
                                                          m_clock);
        QObject::connect(m_reader.get(), &FavouritesPageReader::progress,
                         [this](int p, const QString&) { m_progress << p; });
        QObject::connect(m_reader.get(), &FavouritesPageReader::finished, [this](bool recognised, int count) {
            m_recognised = recognised;
            m_count = count;
        });
    }

    QStringList favourite(const QString& ufid, const QString& cph) const
    {
        const QString picture = QString::fromStdString(m_server.url("/pic/" + cph.toStdString() + ".jpg"));
        return favouritesRow(
            {ufid, QStringLiteral("U1"), QStringLiteral("9"), cph, QStringLiteral("手机") + ufid, picture,
             picture, QStringLiteral("2026-12-08 10:00:00"), QStringLiteral("100"), QStringLiteral("90"),
             QStringLiteral("http://s.cn/?pid=mm_1&amp;x=1"), QStringLiteral("京东商城")});
    }

    void readPage(const QStringList& lines, bool arrivedWhole = true)
    {
        m_count = -1;
        m_progress.clear();
        m_reader->read(PageText::fromLines(lines), arrivedWhole);
        ASSERT_TRUE(waitUntil([&] { return m_count >= 0; }));
    }

    LocalServer m_server;
    std::atomic<int> m_downloads{0};
    QNetworkAccessManager m_network;
    Downloader m_downloader{m_network};
    FixedClock m_clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0))};
    AppState m_state;
    PictureCache m_cache{m_dir.path() + QLatin1Char('/')};
    std::unique_ptr<FavouritesPageReader> m_reader;
    QList<int> m_progress;
    bool m_recognised = false;
    int m_count = -1;
};

TEST_F(FavouritesPageReaderTest, HeaderAndThreeRowsGiveThreeRowsWithTheDesignedProgress)
{
    readPage(favouritesHeader() + favourite(QStringLiteral("1"), QStringLiteral("A")) +
             favourite(QStringLiteral("2"), QStringLiteral("B")) +
             favourite(QStringLiteral("3"), QStringLiteral("C")));
    EXPECT_TRUE(m_recognised);
    EXPECT_EQ(m_count, 3);
    EXPECT_EQ(m_progress, (QList<int>{35, 60, 85, 100}));
    StandingQuery& favourites = m_queries->ADOQuery3;
    EXPECT_EQ(favourites.valueAt(0, QStringLiteral("bz2")).toString(), QStringLiteral("删除收藏"));
    EXPECT_EQ(favourites.valueAt(0, QStringLiteral("scrq")).toInt(), 46364);
    EXPECT_EQ(favourites.valueAt(0, QStringLiteral("cplj")).toString(),
              QStringLiteral("http://s.cn/?pid=mm_1&x=1"));
    EXPECT_EQ(m_downloads.load(), 3);
}

TEST_F(FavouritesPageReaderTest, EmptyCellLeavesTheFieldEmptyAndSharedPicturesDownloadOnce)
{
    QStringList first = favourite(QStringLiteral("1"), QStringLiteral("S"));
    first[9] = QStringLiteral("<TD></TD>"); // scjg
    readPage(favouritesHeader() + first + favourite(QStringLiteral("2"), QStringLiteral("S")));
    EXPECT_TRUE(m_queries->ADOQuery3.valueAt(0, QStringLiteral("scjg")).isNull());
    EXPECT_EQ(m_downloads.load(), 1);
    readPage(favouritesHeader() + favourite(QStringLiteral("3"), QStringLiteral("S")));
    EXPECT_EQ(m_downloads.load(), 1); // already in the cache
}

TEST_F(FavouritesPageReaderTest, PriceDropsWithoutRowsReportZeroAndHeaderWithoutRowsStoresNothing)
{
    m_state.PageMode = AppState::PriceDrops;
    readPage(favouritesHeader());
    EXPECT_TRUE(m_recognised);
    EXPECT_EQ(m_count, 0);
    readPage({QStringLiteral("<BODY>"), QStringLiteral("序列")});
    EXPECT_TRUE(m_recognised);
    EXPECT_EQ(m_count, 0);
}

TEST_F(FavouritesPageReaderTest, OpenedBeforeTheIdentityArrivedItTakesOnlyAWholeNonEmptyOne)
{
    m_state.BeforeFirstSearch = true;
    auto storedIdentity = [this] {
        m_queries->qry2.first();
        return m_queries->qry2.value(QStringLiteral("u")).toString();
    };
    // The list of an identity that is still empty: a bare "<BODY>" line, then no rows.
    readPage({QStringLiteral("<HTML>"), QStringLiteral("<BODY>"), QStringLiteral("</BODY></HTML>")});
    EXPECT_TRUE(m_state.UserId.isEmpty());
    EXPECT_TRUE(storedIdentity().isEmpty());

    // An error page carries text after its "<BODY>" marker, which is no identity either.
    readPage({QStringLiteral("<HTML>"), QStringLiteral("<BODY>500 Internal Server Error</BODY></HTML>")},
             false);
    EXPECT_TRUE(m_state.UserId.isEmpty());
    EXPECT_TRUE(storedIdentity().isEmpty());

    readPage({QStringLiteral("<HTML>"), QStringLiteral("<BODY>U9")});
    EXPECT_EQ(m_state.UserId, QStringLiteral("U9"));
    EXPECT_FALSE(storedIdentity().isEmpty());
}

TEST_F(FavouritesPageReaderTest, NamesAreStoredAsABrowserShowsThem)
{
    QStringList marked = favourite(QStringLiteral("1"), QStringLiteral("M"));
    marked[5] = QStringLiteral("<TD>It's A&amp;B <b>粗</b></TD>"); // cpmc
    readPage(favouritesHeader() + marked);
    EXPECT_EQ(m_queries->ADOQuery3.valueAt(0, QStringLiteral("cpmc")).toString(),
              QStringLiteral("It's A&B 粗"));
}

TEST_F(FavouritesPageReaderTest, UnknownPageIsNotRecognised)
{
    readPage(
        {QStringLiteral("<HTML><BODY>"), QStringLiteral("404 Not Found"), QStringLiteral("</BODY></HTML>")});
    EXPECT_FALSE(m_recognised);
    EXPECT_EQ(m_count, 0);
}

TEST_F(FavouritesPageReaderTest, ListRecordsEachFavouritesCurrentPriceOnce)
{
    readPage(favouritesHeader() + favourite(QStringLiteral("1"), QStringLiteral("A")) +
             favourite(QStringLiteral("2"), QStringLiteral("A")) +
             favourite(QStringLiteral("3"), QStringLiteral("B")));
    EXPECT_EQ(m_count, 3);
    const ResultSet rows =
        m_db->select(QStringLiteral("select cph, sjlx, jg, sj, zjsj from jgls order by cph"));
    ASSERT_EQ(rows.rows.size(), 2u);
    // The current price (gxjg), not the collected one; both times the list's.
    EXPECT_EQ(rows.rows[0],
              (QVariantList{"A", "京东商城", "90", "2026-12-08 10:00:00", "2026-12-08 10:00:00"}));
    EXPECT_EQ(rows.rows[1][0].toString(), QStringLiteral("B"));

    m_clock.set(m_clock.now().addDays(1));
    readPage(favouritesHeader() + favourite(QStringLiteral("1"), QStringLiteral("A")));
    EXPECT_EQ(m_db->select(QStringLiteral("select count(*), max(zjsj) from jgls where cph = 'A'")).rows[0],
              (QVariantList{1, "2026-12-09 10:00:00"}));
}

} // namespace
