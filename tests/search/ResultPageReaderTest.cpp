#include "testing/EventLoop.h"
#include "testing/LocalServer.h"
#include "testing/StoreFixture.h"

#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/PageText.h"
#include "search/ResultFilter.h"
#include "search/ResultPageReader.h"
#include "search/SearchStart.h"
#include "session/AppState.h"
#include "session/Startup.h"
#include "store/PictureCache.h"
#include "store/PriceHistory.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <atomic>

using namespace vorbel;
using namespace vorbel::test;

namespace {

struct OfferLines
{
    QString bh = QStringLiteral("1");
    QString cph = QStringLiteral("P1");
    QString cpmc = QStringLiteral("手机");
    QString xtp = QStringLiteral("none");
    QString rc = QStringLiteral("50");
    QString jg = QStringLiteral("99");
    QString sjlx = QStringLiteral("京东商城");
    QString collected = QStringLiteral("No");
};

QStringList offerLines(const OfferLines& o)
{
    auto cell = [](const QString& v) { return QStringLiteral("<TD>") + v + QStringLiteral("</TD>"); };
    return {QStringLiteral("<TBODY><TR>"),
            cell(o.bh),
            cell(o.cph),
            cell(o.cpmc),
            cell(o.xtp),
            cell(QStringLiteral("http://x/d.jpg")),
            cell(o.rc),
            cell(o.jg),
            cell(QStringLiteral("http://s.cn/x?a=1&amp;pid=mm_1_2&amp;b=2")),
            cell(o.sjlx),
            cell(QStringLiteral("t")),
            cell(QStringLiteral("包邮")),
            QStringLiteral("<TD></TD>"),
            cell(o.collected),
            QStringLiteral("</TR>")};
}

class ResultPageReaderTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_server.routes().Get(R"(/pic/(\w+)\.jpg)",
                              [this](const httplib::Request& req, httplib::Response& res) {
                                  ++m_downloads;
                                  if (req.matches[1] == "broken") {
                                      res.status = 404;
                                      return;
                                  }
                                  res.set_content("jpegbytes", "image/jpeg");
                              });
        m_server.start();
        m_cache.ensureFolder();
        openStandingQueries(*m_queries);
        m_reader =
            std::make_unique<ResultPageReader>(*m_db, *m_queries, m_state, m_cache, m_downloader, m_clock);
        m_state.LinkCodeA = QStringLiteral("mm_9");
        m_state.LinkCodeB = QStringLiteral("7");
        QObject::connect(m_reader.get(), &ResultPageReader::progress,
                         [this](int p, const QString&) { m_progress << p; });
        QObject::connect(m_reader.get(), &ResultPageReader::finished,
                         [this](int count) { m_finished = count; });
        QObject::connect(m_reader.get(), &ResultPageReader::failed,
                         [this](const QString& message, int count) {
                             m_failure = message;
                             m_finished = count;
                         });
    }

    QString picture(const char* name) const
    {
        return QString::fromStdString(m_server.url(std::string("/pic/") + name + ".jpg"));
    }

    void searchAndRead(const QString& keyword, const QStringList& lines)
    {
        startSearch(keyword, *m_queries, m_state);
        m_progress.clear();
        m_finished = -1;
        m_failure.clear();
        m_reader->read(PageText::fromLines(lines));
        ASSERT_TRUE(waitUntil([&] { return m_finished >= 0; }));
    }

    QStringList page(std::initializer_list<OfferLines> offers)
    {
        QStringList lines{QStringLiteral("<HTML><HEAD></HEAD>"), QStringLiteral("<BODY>"),
                          QStringLiteral("<TABLE>")};
        for (const OfferLines& offer : offers)
            lines << offerLines(offer);
        return lines << QStringLiteral("</TABLE></BODY></HTML>");
    }

    /// The offer's remembered prices with their first and last sightings, oldest first.
    QStringList remembered(const QString& cph, const QString& shop = QStringLiteral("京东商城"))
    {
        QStringList seen;
        for (const PriceRecord& record : PriceHistory(*m_db).history(cph, shop))
            seen << record.price + QLatin1Char('@') + record.firstSeen.mid(11) + QLatin1Char('~') +
                        record.lastSeen.mid(11);
        return seen;
    }

    int count(const char* table)
    {
        return m_db->select(QStringLiteral("select count(*) from ") + QLatin1String(table))
            .rows[0][0]
            .toInt();
    }

    LocalServer m_server;
    std::atomic<int> m_downloads{0};
    QNetworkAccessManager m_network;
    Downloader m_downloader{m_network};
    FixedClock m_clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0))};
    AppState m_state;
    PictureCache m_cache{m_dir.path() + QLatin1Char('/')};
    std::unique_ptr<ResultPageReader> m_reader;
    QList<int> m_progress;
    int m_finished = -1;
    QString m_failure;
};

TEST_F(ResultPageReaderTest, FourOffersStoreWithTheDesignedProgress)
{
    OfferLines a, b, c, d;
    a.bh = QStringLiteral("1"), a.cph = QStringLiteral("A"), a.xtp = picture("A");
    b.bh = QStringLiteral("2"), b.cph = QStringLiteral("B"), b.xtp = picture("B"),
    b.collected = QStringLiteral("xYesx");
    c.bh = QStringLiteral("3"), c.cph = QStringLiteral("C"), c.xtp = picture("C");
    d.bh = QStringLiteral("4"), d.cph = QStringLiteral("D"), d.xtp = picture("D");
    searchAndRead(QStringLiteral("手机"), page({a, b, c, d}));
    EXPECT_EQ(m_progress, (QList<int>{10, 35, 60, 85, 110, 100}));
    EXPECT_EQ(m_finished, 4);
    StandingQuery& results = m_queries->ADOQuery2;
    ASSERT_EQ(results.recordCount(), 4);
    EXPECT_EQ(results.valueAt(0, QStringLiteral("check")).toString(), QStringLiteral("点击收藏"));
    EXPECT_EQ(results.valueAt(1, QStringLiteral("check")).toString(), QStringLiteral("已收藏"));
    EXPECT_EQ(results.valueAt(0, QStringLiteral("cplj")).toString(),
              QStringLiteral("http://s.cn/x?a=1&pid=mm_9&b=2"));
    EXPECT_EQ(results.valueAt(0, QStringLiteral("pjjb")).toString(), QStringLiteral("★★★★"));
    EXPECT_EQ(results.valueAt(0, QStringLiteral("zpbz")).toString(), QStringLiteral("保障"));
    EXPECT_EQ(results.valueAt(0, QStringLiteral("cxrq")).toInt(), 46364);
    EXPECT_EQ(m_queries->qry1.recordCount(), 4);
    EXPECT_TRUE(QFile::exists(*m_cache.smallPicturePath(QStringLiteral("D"))));
    EXPECT_EQ(m_queries->ADOQuery1.recordCount(), 1);
}

TEST_F(ResultPageReaderTest, APageWhoseCommitFailsIsReportedAsAFailure)
{
    // Every stored offer leaves a row that breaks a deferred constraint, which the engine checks only
    // when the page's transaction commits: the rows post, the commit refuses them.
    m_db->exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    m_db->exec(QStringLiteral("create table parent (id integer primary key)"));
    m_db->exec(QStringLiteral(
        "create table child (pid integer references parent(id) deferrable initially deferred)"));
    m_db->exec(QStringLiteral(
        "create trigger orphan after insert on cxnr begin insert into child values (999); end"));
    OfferLines a;
    a.bh = QStringLiteral("1"), a.cph = QStringLiteral("A");
    searchAndRead(QStringLiteral("提交失败"), page({a, OfferLines{}}));
    EXPECT_FALSE(m_failure.isEmpty()) << "a page that was not stored passed for a search";
}

TEST_F(ResultPageReaderTest, OneEmptyCellLineStoresNothing)
{
    searchAndRead(QStringLiteral("x"), page({OfferLines{}}));
    EXPECT_EQ(m_finished, 0);
    EXPECT_EQ(m_queries->ADOQuery2.recordCount(), 0);
    EXPECT_EQ(m_progress, (QList<int>{10, 100}));
}

TEST_F(ResultPageReaderTest, EmptyCellsStayNullAndMissingEndsReadEmpty)
{
    OfferLines empty;
    empty.rc.clear();
    empty.jg.clear();
    QStringList lines = page({empty, OfferLines{}});
    lines[3 + 3] = QStringLiteral("<TD>no end tag"); // cpmc line of the first offer
    searchAndRead(QStringLiteral("x"), lines);
    StandingQuery& results = m_queries->ADOQuery2;
    ASSERT_EQ(results.recordCount(), 2);
    EXPECT_TRUE(results.valueAt(0, QStringLiteral("rc")).isNull());
    EXPECT_TRUE(results.valueAt(0, QStringLiteral("jg")).isNull());
    EXPECT_TRUE(results.valueAt(0, QStringLiteral("zpbz")).isNull());
    EXPECT_TRUE(results.valueAt(0, QStringLiteral("pjjb")).isNull());
    EXPECT_TRUE(results.valueAt(0, QStringLiteral("cpmc")).isNull());
    EXPECT_FALSE(results.valueAt(0, QStringLiteral("check")).isNull());
}

TEST_F(ResultPageReaderTest, KnownKeywordDownloadsNothingAndSharedPicturesOnce)
{
    OfferLines a, b;
    a.cph = b.cph = QStringLiteral("S");
    a.xtp = b.xtp = picture("S");
    b.bh = QStringLiteral("2");
    searchAndRead(QStringLiteral("手机"), page({a, b}));
    EXPECT_EQ(m_downloads.load(), 1);
    EXPECT_EQ(m_queries->qry1.recordCount(), 2);
    searchAndRead(QStringLiteral("手机"), page({a, b}));
    EXPECT_TRUE(m_state.PicturesKnown);
    EXPECT_EQ(m_downloads.load(), 1);
    EXPECT_EQ(m_queries->qry1.recordCount(), 2);
    EXPECT_EQ(m_queries->ADOQuery2.recordCount(), 2);
}

TEST_F(ResultPageReaderTest, FailedPictureDoesNotEndTheSearchAndIsFetchedAgain)
{
    OfferLines broken, fine;
    broken.cph = QStringLiteral("broken"), broken.xtp = picture("broken");
    fine.bh = QStringLiteral("2"), fine.cph = QStringLiteral("F"), fine.xtp = picture("F");
    searchAndRead(QStringLiteral("k"), page({broken, fine}));
    EXPECT_EQ(m_finished, 2);
    EXPECT_TRUE(m_failure.isEmpty());
    EXPECT_EQ(m_queries->qry1.recordCount(), 2);
    EXPECT_EQ(QDir(m_cache.folder()).entryList(QDir::Files), QStringList{QStringLiteral("F.jpg")});
    searchAndRead(QStringLiteral("k"), page({broken, fine}));
    EXPECT_EQ(m_downloads.load(), 3); // the missing picture was asked for again, the present one not
}

TEST_F(ResultPageReaderTest, BadNumberCellKeepsTheOffersBefore)
{
    OfferLines first, bad, after;
    bad.bh = QStringLiteral("12a");
    after.bh = QStringLiteral("3");
    searchAndRead(QStringLiteral("k"), page({first, bad, after}));
    EXPECT_EQ(m_failure, QStringLiteral("'12a' is not a valid integer value"));
    EXPECT_EQ(m_finished, 1);
    openStore();
    EXPECT_EQ(m_db->select(QStringLiteral("select count(*) from cxnr")).rows[0][0].toInt(), 1);
}

TEST_F(ResultPageReaderTest, NewOfferOfAKnownKeywordGetsItsPicture)
{
    OfferLines a, b;
    a.cph = QStringLiteral("A"), a.xtp = picture("A");
    b.bh = QStringLiteral("2"), b.cph = QStringLiteral("B"), b.xtp = picture("B");
    searchAndRead(QStringLiteral("k"), page({a, OfferLines{}}));
    searchAndRead(QStringLiteral("k"), page({a, b}));
    EXPECT_TRUE(QFile::exists(*m_cache.smallPicturePath(QStringLiteral("B"))));
    EXPECT_EQ(m_queries->qry1.recordCount(), 3);
}

TEST(ResultFilter, Statements)
{
    ShopBoxes all{};
    all.fill(true);
    EXPECT_EQ(filterStatement(all), QStringLiteral("select * from cxnr order by jg"));
    ShopBoxes two{};
    two[2] = two[7] = true;
    EXPECT_EQ(filterStatement(two),
              QStringLiteral("select * from cxnr where sjlx='天猫商城'  or sjlx='1号店'  order by jg"));
    ShopBoxes taobao{};
    taobao[1] = true;
    EXPECT_EQ(filterStatement(taobao), QStringLiteral("select * from cxnr where sjlx='淘宝网'  order by jg"));
    EXPECT_EQ(filterStatement(ShopBoxes{}),
              QStringLiteral("select * from cxnr where sjlx='全部' order by jg"));
}

TEST(TitleSort, DownUpDownAndTheOtherTitleStartsOver)
{
    TitleSort sort;
    EXPECT_EQ(sort.click(QStringLiteral("jg")), QStringLiteral("jg DESC"));
    EXPECT_EQ(sort.click(QStringLiteral("jg")), QStringLiteral("jg"));
    EXPECT_EQ(sort.marker(QStringLiteral("jg")), TitleSort::Marker::Up);
    EXPECT_EQ(sort.click(QStringLiteral("jg")), QStringLiteral("jg DESC"));
    EXPECT_EQ(sort.click(QStringLiteral("rc")), QStringLiteral("rc DESC"));
    EXPECT_EQ(sort.marker(QStringLiteral("jg")), TitleSort::Marker::None);
}

TEST(SearchUrl, KeywordWithQuoteAndAmpersandTravelsWhole)
{
    AppState state;
    state.SearchWord = QStringLiteral("it's a&b");
    state.UserId = QStringLiteral("U1");
    state.UserPassword = QStringLiteral("kzvtq");
    EXPECT_EQ(searchUrl(QStringLiteral("http://h"), state).toString(QUrl::FullyEncoded),
              QStringLiteral("http://h/ListAll.aspx?word=it%27s%20a%26b&u=U1&p=kzvtq"));
}

} // namespace

namespace {

class ResultPageReaderModeTest : public ResultPageReaderTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(ResultPageReaderModeTest, FavouritesModesStoreNothingAndSignalNothing)
{
    startSearch(QStringLiteral("k"), *m_queries, m_state);
    m_progress.clear();
    m_state.PageMode = AppState::Mode(GetParam());
    OfferLines a;
    a.xtp = picture("A");
    m_reader->read(PageText::fromLines(page({a, OfferLines{}})));
    // Everything the reader starts, it starts inside read(): signals at once, downloads queued at once.
    QCoreApplication::processEvents();
    EXPECT_EQ(m_downloader.pending(), 0);
    EXPECT_TRUE(m_progress.isEmpty());
    EXPECT_EQ(m_finished, -1);
    EXPECT_EQ(m_queries->ADOQuery2.recordCount(), 0);
    EXPECT_EQ(m_queries->ADOQuery1.recordCount(), 0); // not even the keyword counter
    EXPECT_EQ(m_queries->qry1.recordCount(), 0);
    EXPECT_EQ(m_downloads.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, ResultPageReaderModeTest,
                         ::testing::Values(int(AppState::Favourites), int(AppState::PriceDrops)));

TEST_F(ResultPageReaderTest, ReadsTheBrowserSerialisationOfAMarkupPage)
{
    const QString markup = QStringLiteral(
        "<html><head><title>r</title></head><body>\n<table>\n<tr>\n<td>7</td>\n<td>Q7</td>\n"
        "<td>小米 &amp; 配件</td>\n<td>none</td>\n<td>none</td>\n<td>300</td>\n<td>1999.5</td>\n"
        "<td>http://s.cn/i?id=1&amp;pid=mm_0_0</td>\n<td>天猫商城</td>\n<td>t</td>\n"
        "<td></td>\n<td></td>\n<td>Yes</td>\n</tr>\n</table>\n</body></html>");
    startSearch(QStringLiteral("小米"), *m_queries, m_state);
    m_reader->read(PageText::fromMarkup(markup));
    ASSERT_TRUE(waitUntil([&] { return m_finished >= 0; }));
    ASSERT_EQ(m_finished, 1);
    EXPECT_EQ(m_progress, (QList<int>{10, 60, 100})); // the empty promotion cell counts towards N
    StandingQuery& results = m_queries->ADOQuery2;
    EXPECT_EQ(results.valueAt(0, QStringLiteral("bh")).toInt(), 7);
    EXPECT_EQ(results.valueAt(0, QStringLiteral("cpmc")).toString(), QStringLiteral("小米 & 配件"));
    EXPECT_EQ(results.valueAt(0, QStringLiteral("jg")).toString(), QStringLiteral("1999.5"));
    EXPECT_EQ(results.valueAt(0, QStringLiteral("cplj")).toString(),
              QStringLiteral("http://s.cn/i?id=1&pid=mm_9"));
    EXPECT_TRUE(results.valueAt(0, QStringLiteral("hdxx")).isNull());
    EXPECT_EQ(results.valueAt(0, QStringLiteral("check")).toString(), QStringLiteral("已收藏"));
}

TEST_F(ResultPageReaderTest, BadCountCellStopsAtItsOfferAndKeywordCountsOnEveryPage)
{
    OfferLines first, bad;
    bad.bh = QStringLiteral("2");
    bad.rc = QStringLiteral("5x");
    searchAndRead(QStringLiteral("k"), page({first, bad, OfferLines{}}));
    EXPECT_EQ(m_failure, QStringLiteral("'5x' is not a valid integer value"));
    EXPECT_EQ(m_finished, 1);
    searchAndRead(QStringLiteral("k"), page({}));
    searchAndRead(QStringLiteral("k"), page({}));
    StandingQuery& words = m_queries->ADOQuery1;
    ASSERT_EQ(words.recordCount(), 1);
    EXPECT_EQ(words.valueAt(0, QStringLiteral("word")).toString(), QStringLiteral("k"));
    EXPECT_EQ(words.valueAt(0, QStringLiteral("count")).toInt(), 2);
}

TEST_F(ResultPageReaderTest, OnlyWebPicturesUnderSafeNamesAreFetched)
{
    OfferLines local, escaping, nameless;
    local.cph = QStringLiteral("L"), local.xtp = QStringLiteral("file:///etc/hostname");
    escaping.bh = QStringLiteral("2"), escaping.cph = QStringLiteral("../outside");
    escaping.xtp = picture("E");
    nameless.bh = QStringLiteral("3"), nameless.cph.clear(), nameless.xtp = picture("N");
    searchAndRead(QStringLiteral("k"), page({local, escaping, nameless}));
    EXPECT_EQ(m_finished, 3);
    EXPECT_EQ(m_downloads.load(), 0);
    EXPECT_TRUE(QDir(m_cache.folder()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("outside.jpg"))));
    EXPECT_EQ(m_queries->qry1.recordCount(), 3); // still registered, as a first search registers all
}

TEST_F(ResultPageReaderTest, CancelledReadReportsNothingMoreAndTheNextOneRuns)
{
    OfferLines a, b;
    a.cph = QStringLiteral("A"), a.xtp = picture("A");
    b.bh = QStringLiteral("2"), b.cph = QStringLiteral("B"), b.xtp = picture("B");
    startSearch(QStringLiteral("k"), *m_queries, m_state);
    m_progress.clear();
    m_reader->read(PageText::fromLines(page({a, b})));
    EXPECT_TRUE(m_reader->isReading());
    m_reader->cancel();
    ASSERT_TRUE(waitUntil([&] { return m_downloader.pending() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_progress, QList<int>{10}); // the pictures arrived, but their offers report nothing
    EXPECT_EQ(m_finished, -1);
    EXPECT_FALSE(m_reader->isReading());

    searchAndRead(QStringLiteral("k"), page({a, b}));
    EXPECT_EQ(m_progress, (QList<int>{10, 60, 110, 100}));
    EXPECT_EQ(m_finished, 2);
}

// The price memory, recorded as the page is stored.

TEST_F(ResultPageReaderTest, EveryOfferOfAPageRecordsItsPriceAtThePageTime)
{
    OfferLines a, b;
    a.cph = QStringLiteral("A"), a.jg = QStringLiteral("99.50");
    b.cph = QStringLiteral("B"), b.jg = QStringLiteral("10"), b.sjlx = QStringLiteral("淘宝网");
    searchAndRead(QStringLiteral("k"), page({a, b}));
    EXPECT_EQ(remembered(QStringLiteral("A")), (QStringList{"99.50@10:00:00~10:00:00"}));
    EXPECT_EQ(remembered(QStringLiteral("B"), QStringLiteral("淘宝网")),
              (QStringList{"10@10:00:00~10:00:00"}));
}

TEST_F(ResultPageReaderTest, SearchingAgainAddsRowsOnlyForMovedPrices)
{
    OfferLines a, b;
    a.cph = QStringLiteral("A"), b.cph = QStringLiteral("B");
    searchAndRead(QStringLiteral("k"), page({a, b}));
    m_clock.set(m_clock.now().addSecs(3600));
    b.jg = QStringLiteral("89");
    searchAndRead(QStringLiteral("k"), page({a, b}));
    m_clock.set(m_clock.now().addSecs(3600));
    searchAndRead(QStringLiteral("k"), page({a, b}));
    EXPECT_EQ(remembered(QStringLiteral("A")), (QStringList{"99@10:00:00~12:00:00"}));
    EXPECT_EQ(remembered(QStringLiteral("B")), (QStringList{"99@10:00:00~10:00:00", "89@11:00:00~12:00:00"}));
    EXPECT_EQ(count("jgls"), 3);
}

TEST_F(ResultPageReaderTest, PricesThatAreNoNumbersAreRememberedAsTheirText)
{
    OfferLines a, b;
    a.cph = QStringLiteral("A"), a.jg = QStringLiteral("面议");
    b.cph = QStringLiteral("B"), b.jg = QString();
    searchAndRead(QStringLiteral("k"), page({a, b}));
    EXPECT_EQ(m_finished, 2);
    EXPECT_EQ(remembered(QStringLiteral("A")), (QStringList{"面议@10:00:00~10:00:00"}));
    EXPECT_EQ(remembered(QStringLiteral("B")), (QStringList{"@10:00:00~10:00:00"}));
}

TEST_F(ResultPageReaderTest, AThousandListingsOfOneOfferRecordOneRow)
{
    QStringList lines{QStringLiteral("<HTML><HEAD></HEAD>"), QStringLiteral("<BODY>"),
                      QStringLiteral("<TABLE>")};
    for (int i = 0; i < 1000; ++i) {
        OfferLines same;
        same.bh = QString::number(i + 1);
        same.jg = QString::number(100 + i % 7); // even when the listings disagree on the price
        lines << offerLines(same);
    }
    searchAndRead(QStringLiteral("k"), lines << QStringLiteral("</TABLE></BODY></HTML>"));
    EXPECT_EQ(m_finished, 1000);
    EXPECT_EQ(count("jgls"), 1);
    EXPECT_EQ(remembered(QStringLiteral("P1")), (QStringList{"100@10:00:00~10:00:00"}));
}

TEST_F(ResultPageReaderTest, OfferStoppedByABadCellRecordsNoPriceAndTheOnesBeforeKeepTheirs)
{
    OfferLines first, bad, after;
    first.cph = QStringLiteral("A"), bad.cph = QStringLiteral("B"), after.cph = QStringLiteral("C");
    bad.bh = QStringLiteral("12a");
    searchAndRead(QStringLiteral("k"), page({first, bad, after}));
    ASSERT_FALSE(m_failure.isEmpty());
    openStore();
    EXPECT_EQ(count("cxnr"), 1);
    EXPECT_EQ(count("jgls"), 1);
    EXPECT_EQ(remembered(QStringLiteral("A")).size(), 1);
}

TEST_F(ResultPageReaderTest, PageWhoseTransactionFailsKeepsNeitherItsRowsNorItsPrices)
{
    // The second offer's price makes the engine give up the whole transaction, as a full disk would.
    m_db->exec(QStringLiteral("create trigger fail_page before insert on jgls when new.cph = 'B' "
                              "begin select raise(rollback, 'the disk is full'); end"));
    OfferLines a, b, c;
    a.cph = QStringLiteral("A"), b.cph = QStringLiteral("B"), c.cph = QStringLiteral("C");
    searchAndRead(QStringLiteral("k"), page({a, b, c}));
    EXPECT_TRUE(m_failure.contains(QStringLiteral("the disk is full"))) << m_failure.toStdString();
    openStore();
    EXPECT_EQ(count("cxnr"), 0);
    EXPECT_EQ(count("jgls"), 0);
    // The connection is usable again: the next search is stored with its prices.
    m_db->exec(QStringLiteral("drop trigger fail_page"));
    openStandingQueries(*m_queries);
    m_reader = std::make_unique<ResultPageReader>(*m_db, *m_queries, m_state, m_cache, m_downloader, m_clock);
    QObject::connect(m_reader.get(), &ResultPageReader::finished, [this](int n) { m_finished = n; });
    searchAndRead(QStringLiteral("k"), page({a, b, c}));
    EXPECT_EQ(count("cxnr"), 3);
    EXPECT_EQ(count("jgls"), 3);
}

} // namespace

// A page's first part, read ahead of the whole page.

namespace {

/// The first lines of a page as its first part parses them: cut after `offers` offers, where the parser
/// closes everything still open on the last line.
QStringList firstPartOf(const QStringList& page, int offers)
{
    const int headLines = 3, linesPerOffer = 15;
    QStringList part = page.mid(0, headLines + offers * linesPerOffer);
    part.last() += QStringLiteral("</TBODY></TABLE></BODY></HTML>");
    return part;
}

} // namespace

class FirstPartTest : public ResultPageReaderTest
{
protected:
    /// Everything a search leaves in the file, as text, its times and row ids aside.
    QStringList stored()
    {
        QStringList rows;
        for (const char* sql :
             {"select bh, cph, cpmc, xtp, dtp, rc, jg, cplj, sjlx, cxsj, hdxx, zpbz, pjjb, "
              "[check] from cxnr order by rowid",
              "select word, tpid, bh from tpb order by rowid", "select word, count from word order by word",
              "select cph, sjlx, jg from jgls order by cph"}) {
            for (const auto& row : m_db->select(QString::fromLatin1(sql)).rows) {
                QStringList values;
                for (const QVariant& value : row)
                    values << value.toString();
                rows << values.join(QLatin1Char('|'));
            }
        }
        return rows;
    }

    void readInTwo(const QString& keyword, const QStringList& part, const QStringList& whole)
    {
        startSearch(keyword, *m_queries, m_state);
        m_progress.clear();
        m_finished = -1;
        m_failure.clear();
        m_reader->readFirstPart(PageText::fromLines(part));
        m_afterPart = m_queries->ADOQuery2.recordCount();
        m_reader->read(PageText::fromLines(whole));
        ASSERT_TRUE(waitUntil([&] { return m_finished >= 0; }));
    }

    QStringList fiveOffers(const QString& firstPrice = QStringLiteral("99"))
    {
        std::vector<OfferLines> offers(5);
        for (int i = 0; i < 5; ++i) {
            offers[std::size_t(i)].bh = QString::number(i + 1);
            offers[std::size_t(i)].cph = QStringLiteral("P") + QString::number(i + 1);
            offers[std::size_t(i)].xtp = picture(qPrintable(QStringLiteral("P") + QString::number(i + 1)));
        }
        offers[0].jg = firstPrice;
        return page({offers[0], offers[1], offers[2], offers[3], offers[4]});
    }

    /// The file and the queries as before the first search.
    void reopenEmpty()
    {
        for (const char* table : {"cxnr", "tpb", "word", "jgls"})
            m_db->exec(QStringLiteral("delete from ") + QLatin1String(table));
        m_queries->ADOQuery1.open();
        m_queries->ADOQuery2.open();
        m_queries->qry1.open();
        QDir(m_cache.folder()).removeRecursively();
        m_cache.ensureFolder();
        m_state.PicturesKnown = false;
    }

    int m_afterPart = -1;
};

TEST_F(FirstPartTest, PartThenWholeStoresExactlyWhatTheWholeAloneDoes)
{
    const QStringList whole = fiveOffers();
    searchAndRead(QStringLiteral("k"), whole);
    const QStringList alone = stored();
    const QList<int> aloneProgress = m_progress;
    ASSERT_EQ(m_finished, 5);
    reopenEmpty();

    readInTwo(QStringLiteral("k"), firstPartOf(whole, 3), whole);
    EXPECT_EQ(m_afterPart, 3);
    EXPECT_EQ(m_finished, 5);
    EXPECT_TRUE(m_failure.isEmpty());
    EXPECT_EQ(stored(), alone);
    EXPECT_EQ(m_progress, aloneProgress);
    EXPECT_EQ(m_downloads.load(), 10); // each search fetched each picture once
    EXPECT_FALSE(m_db->inTransaction());
}

TEST_F(FirstPartTest, WholePageThatBeginsOtherwiseUndoesThePartAndIsReadWhole)
{
    const QStringList whole = fiveOffers(QStringLiteral("75"));
    searchAndRead(QStringLiteral("k"), whole);
    const QStringList alone = stored();
    reopenEmpty();

    readInTwo(QStringLiteral("k"), firstPartOf(fiveOffers(QStringLiteral("99")), 3), whole);
    EXPECT_EQ(m_afterPart, 3);
    EXPECT_EQ(m_finished, 5);
    // The part's price, its keyword and its registrations are gone with it.
    EXPECT_EQ(stored(), alone);
    EXPECT_EQ(m_queries->ADOQuery2.recordCount(), 5);
    EXPECT_EQ(m_queries->ADOQuery1.recordCount(), 1);
    EXPECT_EQ(m_queries->qry1.recordCount(), 5);
    EXPECT_FALSE(m_db->inTransaction());
}

TEST_F(FirstPartTest, ABadCellInThePartIsLeftForTheWholePageToReport)
{
    QStringList whole = fiveOffers();
    whole[3 + 15 + 1] = QStringLiteral("<TD>2x</TD>"); // the second offer's number
    readInTwo(QStringLiteral("k"), firstPartOf(whole, 3), whole);
    EXPECT_EQ(m_afterPart, 0);
    EXPECT_EQ(m_failure, QStringLiteral("'2x' is not a valid integer value"));
    EXPECT_EQ(m_finished, 1);
    EXPECT_EQ(count("cxnr"), 1);
    EXPECT_EQ(count("word"), 1);
    EXPECT_EQ(count("tpb"), 1);
    EXPECT_FALSE(m_db->inTransaction());
}

TEST_F(FirstPartTest, ANewSearchAfterThePartEndsItsTransactionAndHearsNothingOfIt)
{
    const QStringList whole = fiveOffers();
    startSearch(QStringLiteral("k"), *m_queries, m_state);
    m_progress.clear();
    m_reader->readFirstPart(PageText::fromLines(firstPartOf(whole, 3)));
    EXPECT_TRUE(m_db->inTransaction());
    m_reader->cancel();
    EXPECT_FALSE(m_db->inTransaction());
    ASSERT_TRUE(waitUntil([&] { return m_downloader.pending() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_progress, QList<int>{10});
    EXPECT_EQ(m_finished, -1);

    searchAndRead(QStringLiteral("k2"), whole);
    EXPECT_EQ(m_finished, 5);
    EXPECT_EQ(count("cxnr"), 5);
}

TEST_F(FirstPartTest, PartsOfFavouritesPagesAndPartsWithoutOffersAreNotRead)
{
    const QStringList whole = fiveOffers();
    m_state.PageMode = AppState::Favourites;
    m_reader->readFirstPart(PageText::fromLines(firstPartOf(whole, 3)));
    EXPECT_FALSE(m_reader->isReading());
    m_state.PageMode = AppState::Search;
    m_reader->readFirstPart(PageText::fromLines(firstPartOf(whole, 0)));
    EXPECT_FALSE(m_reader->isReading());
    EXPECT_FALSE(m_db->inTransaction());
}

TEST(FirstPartEnd, JustAfterTheSixtiethRowOfALongerBodyInAnyCase)
{
    QByteArray body = "<table>";
    for (int i = 0; i < ResultPageReader::FirstPartOffers; ++i)
        body += i % 2 ? "<tr><td>\xd6\xd0</td></TR>\n" : "<tr><td>x</td></tr>\n";
    const qsizetype sixtieth = body.size() - 1; // before its newline
    EXPECT_EQ(ResultPageReader::firstPartEnd(body), sixtieth);
    EXPECT_EQ(ResultPageReader::firstPartEnd(body.first(sixtieth)), 0) << "nothing would be left after it";
    EXPECT_EQ(ResultPageReader::firstPartEnd(body.first(sixtieth - 1)), 0);
    EXPECT_EQ(ResultPageReader::firstPartEnd("</tr"), 0);
    EXPECT_EQ(ResultPageReader::firstPartEnd(""), 0);
}
