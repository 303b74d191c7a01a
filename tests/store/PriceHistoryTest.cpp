#include "StoreTestSupport.h"

#include "store/PriceHistory.h"

#include <QTemporaryDir>

using namespace vorbel;
using namespace vorbel::test;

namespace {

const QByteArray KeyLine = "PRAGMA key='vtqzmkpe19880523';\n";
const QDateTime Monday(QDate(2026, 3, 2), QTime(9, 15, 0));

class PriceHistoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_db = openDatabase(dbPath());
        ASSERT_TRUE(m_db);
        m_history = std::make_unique<PriceHistory>(*m_db);
    }

    QString dbPath() const { return m_dir.filePath(QStringLiteral("vorbelmd.dat")); }

    int rowCount() { return m_db->select(QStringLiteral("select count(*) from jgls")).rows[0][0].toInt(); }

    QStringList prices(const QString& cph, const QString& sjlx)
    {
        QStringList seen;
        for (const PriceRecord& record : m_history->history(cph, sjlx))
            seen << record.price + QLatin1Char('@') + record.firstSeen + QLatin1Char('~') + record.lastSeen;
        return seen;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<PriceHistory> m_history;
};

TEST_F(PriceHistoryTest, NewFileHasTheTableAndItsIndexBesideTheFive)
{
    QStringList names;
    for (const auto& row : m_db->select(QStringLiteral("select name from sqlite_master order by name")).rows)
        names << row[0].toString();
    EXPECT_EQ(names, (QStringList{"cxnr", "jgls", "jgls_offer", "jgtz", "jgtz_offer", "scnr", "tpb", "word",
                                  "xxb"}));
    QStringList indexed;
    for (const auto& row : m_db->select(QStringLiteral("PRAGMA index_info(jgls_offer)")).rows)
        indexed << row[2].toString();
    EXPECT_EQ(indexed, (QStringList{"cph", "sjlx", "sj"}));
}

TEST_F(PriceHistoryTest, FileOfTheFiveTablesGainsTheHistoryAndKeepsEverythingElse)
{
    m_history.reset();
    m_db.reset();
    QFile::remove(dbPath());
    // A file as earlier versions wrote it: the five tables and a row, no price memory.
    runShell(CipherShell, dbPath(),
             KeyLine +
                 "create table cxnr (bh INTEGER, cxrq INTEGER, cph TEXT, cpmc TEXT, xtp TEXT, dtp TEXT, "
                 "rc TEXT, jg TEXT, cplj TEXT, sjlx TEXT, cxsj TEXT, hdxx TEXT, zpbz TEXT, pjjb TEXT, "
                 "\"check\" TEXT, bz1 TEXT);\n"
                 "create table scnr (ufid TEXT, user TEXT, scid TEXT, cph TEXT, cpmc TEXT, xtp TEXT, "
                 "dtp TEXT, scsj TEXT, scjg TEXT, gxjg TEXT, cplj TEXT, sjlx TEXT, scrq INTEGER, "
                 "bz2 TEXT, bz1 TEXT);\n"
                 "create table tpb (word TEXT, tpid TEXT, bh TEXT);\n"
                 "create table word (word TEXT, count INTEGER DEFAULT 0);\n"
                 "create table xxb (ver TEXT, u TEXT, p TEXT, a TEXT, b TEXT);\n"
                 "insert into word values ('手机', 4);\n");
    const QString before =
        runShell(CipherShell, dbPath(), KeyLine + "select group_concat(sql, ';') from sqlite_master;\n");
    ASSERT_TRUE(before.contains(QStringLiteral("create table xxb"), Qt::CaseInsensitive))
        << before.toStdString();

    m_db = openDatabase(dbPath());
    ASSERT_TRUE(m_db);
    EXPECT_EQ(m_db->select(QStringLiteral("select group_concat(sql, ';') from sqlite_master where name not "
                                          "in ('jgls', 'jgls_offer', 'jgtz', 'jgtz_offer')"))
                  .rows[0][0]
                  .toString(),
              before.trimmed());
    EXPECT_EQ(m_db->select(QStringLiteral("select count from word where word = '手机'")).rows[0][0].toInt(),
              4);
    EXPECT_EQ(m_db->select(QStringLiteral("select count(*) from sqlite_master where name in "
                                          "('jgls', 'jgls_offer', 'jgtz', 'jgtz_offer')"))
                  .rows[0][0]
                  .toInt(),
              4);
    // Recording works in the file that gained the table.
    PriceHistory(*m_db).record(QStringLiteral("p1"), QStringLiteral("京东商城"), QStringLiteral("10"),
                               Monday);
    EXPECT_EQ(rowCount(), 1);
}

TEST_F(PriceHistoryTest, FileWithTheHistoryButNoAnnouncementsGainsThemAndKeepsItsRows)
{
    m_history->record(QStringLiteral("p1"), QStringLiteral("京东商城"), QStringLiteral("10"), Monday);
    m_db->exec(QStringLiteral("drop table jgtz"));
    m_history.reset();
    m_db.reset();
    m_db = openDatabase(dbPath());
    ASSERT_TRUE(m_db);
    EXPECT_EQ(m_db->select(QStringLiteral("select count(*) from sqlite_master where name in "
                                          "('jgtz', 'jgtz_offer')"))
                  .rows[0][0]
                  .toInt(),
              2);
    EXPECT_EQ(rowCount(), 1);
}

TEST_F(PriceHistoryTest, HistoryOutlivesReopening)
{
    m_history->record(QStringLiteral("p1"), QStringLiteral("京东商城"), QStringLiteral("10"), Monday);
    m_history.reset();
    m_db = openDatabase(dbPath());
    ASSERT_TRUE(m_db);
    EXPECT_EQ(rowCount(), 1);
}

TEST_F(PriceHistoryTest, NewOfferAddsARowWithBothTimesTheSame)
{
    m_history->record(QStringLiteral("p1"), QStringLiteral("京东商城"), QStringLiteral("99.50"), Monday);
    EXPECT_EQ(prices(QStringLiteral("p1"), QStringLiteral("京东商城")),
              (QStringList{"99.50@2026-03-02 09:15:00~2026-03-02 09:15:00"}));
}

TEST_F(PriceHistoryTest, UnchangedPriceOnlyMovesTheLastSeenTime)
{
    for (int day = 0; day < 5; ++day)
        m_history->record(QStringLiteral("p1"), QStringLiteral("京东商城"), QStringLiteral("99.50"),
                          Monday.addDays(day));
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(prices(QStringLiteral("p1"), QStringLiteral("京东商城")),
              (QStringList{"99.50@2026-03-02 09:15:00~2026-03-06 09:15:00"}));
}

TEST_F(PriceHistoryTest, MovedPriceAddsARowAndAReturnToAnEarlierPriceAddsAnother)
{
    const QString cph = QStringLiteral("p1"), shop = QStringLiteral("淘宝网");
    m_history->record(cph, shop, QStringLiteral("100"), Monday);
    m_history->record(cph, shop, QStringLiteral("90"), Monday.addDays(1));
    m_history->record(cph, shop, QStringLiteral("90"), Monday.addDays(2));
    m_history->record(cph, shop, QStringLiteral("100"), Monday.addDays(3));
    EXPECT_EQ(prices(cph, shop), (QStringList{"100@2026-03-02 09:15:00~2026-03-02 09:15:00",
                                              "90@2026-03-03 09:15:00~2026-03-04 09:15:00",
                                              "100@2026-03-05 09:15:00~2026-03-05 09:15:00"}));
}

TEST_F(PriceHistoryTest, OfferIsTheProductInOneShop)
{
    m_history->record(QStringLiteral("p1"), QStringLiteral("淘宝网"), QStringLiteral("100"), Monday);
    m_history->record(QStringLiteral("p1"), QStringLiteral("天猫商城"), QStringLiteral("80"), Monday);
    m_history->record(QStringLiteral("p2"), QStringLiteral("淘宝网"), QStringLiteral("70"), Monday);
    m_history->record(QStringLiteral("p1"), QStringLiteral("淘宝网"), QStringLiteral("100"),
                      Monday.addDays(1));
    EXPECT_EQ(rowCount(), 3);
    EXPECT_EQ(m_history->history(QStringLiteral("p1"), QStringLiteral("天猫商城")).size(), 1u);
}

TEST_F(PriceHistoryTest, PricesThatAreNoNumbersAreKeptAsText)
{
    const QString cph = QStringLiteral("p1"), shop = QStringLiteral("当当网");
    m_history->record(cph, shop, QStringLiteral("面议"), Monday);
    m_history->record(cph, shop, QStringLiteral("面议"), Monday.addDays(1));
    m_history->record(cph, shop, QString(), Monday.addDays(2));
    m_history->record(cph, shop, QString(), Monday.addDays(3));
    m_history->record(cph, shop, QStringLiteral("99"), Monday.addDays(4));
    m_history->record(cph, shop, QStringLiteral("99.00"), Monday.addDays(5));
    EXPECT_EQ(prices(cph, shop), (QStringList{"面议@2026-03-02 09:15:00~2026-03-03 09:15:00",
                                              "@2026-03-04 09:15:00~2026-03-05 09:15:00",
                                              "99@2026-03-06 09:15:00~2026-03-06 09:15:00",
                                              "99.00@2026-03-07 09:15:00~2026-03-07 09:15:00"}));
}

TEST_F(PriceHistoryTest, OfferWithoutShopIsOneOfferAndWithoutProductIdIsNotRecorded)
{
    m_history->record(QStringLiteral("p1"), QString(), QStringLiteral("5"), Monday);
    m_history->record(QStringLiteral("p1"), QStringLiteral(""), QStringLiteral("5"), Monday.addDays(1));
    m_history->record(QString(), QStringLiteral("淘宝网"), QStringLiteral("5"), Monday);
    EXPECT_EQ(rowCount(), 1);
}

TEST_F(PriceHistoryTest, PageRecordsEachOfferOnceAtItsFirstPrice)
{
    PagePrices page(*m_history, Monday);
    for (int i = 0; i < 1000; ++i)
        page.record(QStringLiteral("p1"), QStringLiteral("1号店"), QString::number(100 + i % 3));
    page.record(QStringLiteral("p2"), QStringLiteral("1号店"), QStringLiteral("7"));
    page.flush();
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(prices(QStringLiteral("p1"), QStringLiteral("1号店")),
              (QStringList{"100@2026-03-02 09:15:00~2026-03-02 09:15:00"}));
}

TEST_F(PriceHistoryTest, HistoriesOfManyOffersAreEachOffersOwnHistory)
{
    // More products than one statement takes, each in two shops, with a few prices each.
    QList<PriceHistory::Offer> asked;
    for (int i = 0; i < 1200; ++i) {
        const QString cph = QStringLiteral("p%1").arg(i);
        for (int day = 0; day < 1 + i % 3; ++day)
            m_history->record(cph, QStringLiteral("淘宝网"), QString::number(100 - day), Monday.addDays(day));
        m_history->record(cph, QStringLiteral("京东商城"), QStringLiteral("55"), Monday);
        if (i % 2 == 0)
            asked.append({cph, QStringLiteral("淘宝网")});
    }
    m_history->record(QStringLiteral("noshop"), QString(), QStringLiteral("5"), Monday);
    asked.append({QStringLiteral("noshop"), QString()});
    asked.append({QStringLiteral("never"), QStringLiteral("淘宝网")});
    asked.append({QStringLiteral("p0"), QStringLiteral("淘宝网")}); // asked twice

    const auto found = m_history->histories(asked);
    EXPECT_EQ(found.size(), 601); // the 600 asked, the one without a shop; never seen is left out
    EXPECT_FALSE(found.contains({QStringLiteral("p0"), QStringLiteral("京东商城")}));
    EXPECT_FALSE(found.contains({QStringLiteral("p1"), QStringLiteral("淘宝网")}));
    EXPECT_FALSE(found.contains({QStringLiteral("never"), QStringLiteral("淘宝网")}));
    for (const PriceHistory::Offer& offer : asked) {
        const std::vector<PriceRecord> one = m_history->history(offer.first, offer.second);
        const std::vector<PriceRecord> many = found.value(offer);
        ASSERT_EQ(many.size(), one.size()) << offer.first.toStdString();
        for (std::size_t i = 0; i < one.size(); ++i) {
            EXPECT_EQ(many[i].price, one[i].price);
            EXPECT_EQ(many[i].firstSeen, one[i].firstSeen);
            EXPECT_EQ(many[i].lastSeen, one[i].lastSeen);
        }
    }
    EXPECT_EQ(found.value({QStringLiteral("p1196"), QStringLiteral("淘宝网")}).size(), 3u);
}

TEST_F(PriceHistoryTest, RecordingManyOffersAtOnceWritesWhatOneByOneWould)
{
    // Two files: one recorded offer by offer, one with recordAll, over three sightings of 1,300 offers
    // (more than one statement's worth) whose prices stay, move and come back.
    QTemporaryDir other;
    const std::unique_ptr<Database> second = openDatabase(other.filePath(QStringLiteral("vorbelmd.dat")));
    ASSERT_TRUE(second);
    PriceHistory together(*second);
    for (int day = 0; day < 3; ++day) {
        std::vector<PriceHistory::Sighting> sightings;
        for (int i = 0; i < 1300; ++i) {
            const QString shop = i % 5 == 0 ? QString() : QStringLiteral("淘宝网");
            const QString price = QString::number(i % 3 == 0 ? 10 + day % 2 : 10);
            sightings.push_back(
                {QStringLiteral("p%1").arg(i % 650), i < 650 ? shop : QStringLiteral("京东商城"), price});
        }
        sightings.push_back(
            {QStringLiteral("p1"), QStringLiteral("淘宝网"), QStringLiteral("999")});    // again: ignored
        sightings.push_back({QString(), QStringLiteral("淘宝网"), QStringLiteral("5")}); // no product id
        sightings.push_back({QStringLiteral("p-none"), QStringLiteral("当当网"), QString()}); // no price
        QSet<std::pair<QString, QString>> once;
        for (const PriceHistory::Sighting& s : sightings) {
            if (once.contains({s.cph, s.sjlx}))
                continue;
            once.insert({s.cph, s.sjlx});
            m_history->record(s.cph, s.sjlx, s.price, Monday.addDays(day));
        }
        together.recordAll(sightings, Monday.addDays(day));
    }
    // Offer by offer: recordAll writes its new rows in product order, so the row ids differ.
    const QString all =
        QStringLiteral("select cph, sjlx, jg, sj, zjsj from jgls order by cph, sjlx, sj, rowid");
    const ResultSet alone = m_db->select(all);
    EXPECT_GT(alone.rows.size(), 1300u);
    EXPECT_EQ(second->select(all).rows, alone.rows);
}

TEST_F(PriceHistoryTest, PruningDropsOnlyRowsLastSeenMoreThanTwoYearsAgo)
{
    const QDateTime now(QDate(2026, 6, 1), QTime(12, 0, 0));
    m_history->record(QStringLiteral("old"), QStringLiteral("淘宝网"), QStringLiteral("1"), now.addYears(-3));
    m_history->record(QStringLiteral("edge"), QStringLiteral("淘宝网"), QStringLiteral("1"),
                      now.addYears(-2));
    // First seen long ago but seen again lately: the row still tells the current price.
    m_history->record(QStringLiteral("kept"), QStringLiteral("淘宝网"), QStringLiteral("1"),
                      now.addYears(-3));
    m_history->record(QStringLiteral("kept"), QStringLiteral("淘宝网"), QStringLiteral("1"), now.addDays(-1));
    EXPECT_EQ(m_history->prune(now), 1);
    EXPECT_TRUE(m_history->history(QStringLiteral("old"), QStringLiteral("淘宝网")).empty());
    EXPECT_EQ(m_history->history(QStringLiteral("edge"), QStringLiteral("淘宝网")).size(), 1u);
    EXPECT_EQ(m_history->history(QStringLiteral("kept"), QStringLiteral("淘宝网")).size(), 1u);
}

} // namespace
