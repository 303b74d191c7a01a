#include "store/StandingQuery.h"
#include "store/Database.h"
#include "store/PictureCache.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vorbel;

namespace {

class StandingQueryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto opened = Database::open(m_dir.filePath(QStringLiteral("vorbelmd.dat")));
        ASSERT_TRUE(std::holds_alternative<std::unique_ptr<Database>>(opened));
        m_db = std::move(std::get<std::unique_ptr<Database>>(opened));
    }

    void addOffer(StandingQuery& query, int bh, const QString& jg, const QString& rc = {})
    {
        query.append();
        query.setValue(QStringLiteral("bh"), bh);
        query.setValue(QStringLiteral("jg"), jg);
        if (!rc.isEmpty())
            query.setValue(QStringLiteral("rc"), rc);
        query.setValue(QStringLiteral("check"), QStringLiteral("点击收藏"));
        query.post();
    }

    QStringList column(const StandingQuery& query, const char* field) const
    {
        QStringList values;
        for (int row = 0; row < query.recordCount(); ++row)
            values << query.valueAt(row, QString::fromLatin1(field)).toString();
        return values;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
};

TEST_F(StandingQueryTest, AppendEditDeleteWriteAtOnceAndKeepTheSnapshot)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr order by jg"));
    addOffer(query, 1, QStringLiteral("9.5"));
    addOffer(query, 2, QStringLiteral("12"));
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.value(QStringLiteral("bh")).toInt(), 2);
    EXPECT_TRUE(query.value(QStringLiteral("cph")).isNull());

    ASSERT_TRUE(query.locate(QStringLiteral("bh"), 1));
    query.edit();
    query.setValue(QStringLiteral("check"), QStringLiteral("已收藏"));
    query.post();
    EXPECT_EQ(query.value(QStringLiteral("check")).toString(), QStringLiteral("已收藏"));

    StandingQuery fresh(*m_db, QStringLiteral("other"));
    fresh.openSql(QStringLiteral("select * from cxnr order by jg"));
    ASSERT_TRUE(fresh.locate(QStringLiteral("bh"), 1));
    EXPECT_EQ(fresh.value(QStringLiteral("check")).toString(), QStringLiteral("已收藏"));

    query.deleteCurrent();
    EXPECT_EQ(query.recordCount(), 1);
    fresh.close();
    fresh.open();
    EXPECT_EQ(fresh.recordCount(), 1);
    EXPECT_FALSE(fresh.locate(QStringLiteral("bh"), 1));
}

TEST_F(StandingQueryTest, LocateMatchesWholeValuesOnly)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery1"));
    query.openSql(QStringLiteral("select * from word"));
    query.append();
    query.setValue(QStringLiteral("word"), QStringLiteral("手机壳"));
    query.post();
    EXPECT_FALSE(query.locate(QStringLiteral("word"), QStringLiteral("手机")));
    EXPECT_TRUE(query.locate(QStringLiteral("word"), QStringLiteral("手机壳")));
}

TEST_F(StandingQueryTest, PriceAndCountOrderByValueAndKeepTheirText)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery2"));
    query.openSql(QStringLiteral("select * from cxnr order by jg"));
    addOffer(query, 1, QStringLiteral("100"), QStringLiteral("5"));
    addOffer(query, 2, QStringLiteral("99.50"), QStringLiteral("1000"));
    addOffer(query, 3, QStringLiteral("99"), QStringLiteral("20"));
    addOffer(query, 4, QStringLiteral("1000.00"), QStringLiteral("300"));
    query.close();
    query.open();
    EXPECT_EQ(column(query, "jg"), (QStringList{"99", "99.50", "100", "1000.00"}));

    query.setSort(QStringLiteral("jg DESC"));
    EXPECT_EQ(column(query, "jg"), (QStringList{"1000.00", "100", "99.50", "99"}));
    query.setSort(QStringLiteral("rc"));
    EXPECT_EQ(column(query, "rc"), (QStringList{"5", "20", "300", "1000"}));
    query.setSort(QStringLiteral("rc DESC"));
    EXPECT_EQ(column(query, "rc"), (QStringList{"1000", "300", "20", "5"}));
}

TEST_F(StandingQueryTest, KeywordWithAQuoteIsQuotedOrBound)
{
    StandingQuery tpb(*m_db, QStringLiteral("qry1"));
    tpb.openSql(QStringLiteral("select * from tpb"));
    tpb.append();
    tpb.setValue(QStringLiteral("word"), QStringLiteral("it's"));
    tpb.setValue(QStringLiteral("tpid"), QStringLiteral("P1"));
    tpb.post();
    EXPECT_EQ(quoteSqlText(QStringLiteral("it's")), QStringLiteral("'it''s'"));
    tpb.openSql(QStringLiteral("select * from tpb where word=") + quoteSqlText(QStringLiteral("it's")));
    EXPECT_EQ(tpb.recordCount(), 1);
    tpb.openSql(QStringLiteral("select * from tpb where word=?"), {QStringLiteral("it's")});
    EXPECT_EQ(tpb.recordCount(), 1);
}

TEST_F(StandingQueryTest, SignalsFollowTheProgramsOwnWrites)
{
    StandingQuery query(*m_db, QStringLiteral("ADOQuery3"));
    query.openSql(QStringLiteral("select * from scnr order by scsj"));
    std::vector<std::string> seen;
    QObject::connect(&query, &StandingQuery::rowAppended,
                     [&](int row) { seen.push_back("append " + std::to_string(row)); });
    QObject::connect(&query, &StandingQuery::rowRemoved,
                     [&](int row) { seen.push_back("remove " + std::to_string(row)); });
    query.append();
    query.setValue(QStringLiteral("ufid"), QStringLiteral("7"));
    query.post();
    query.deleteCurrent();
    EXPECT_EQ(seen, (std::vector<std::string>{"append 0", "remove 0"}));
}

TEST(PictureCache, HostileProductIdsGetNoFileName)
{
    const PictureCache cache(QStringLiteral("/tmp/x/"));
    for (const QString& cph :
         {QStringLiteral("../x"), QStringLiteral("/etc/passwd"), QStringLiteral("a\\b"),
          QStringLiteral("a/b"), QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b"),
          QString(300, QLatin1Char('a')), QString(), QStringLiteral("."), QStringLiteral(".."),
          QStringLiteral("x..y"), QStringLiteral("a\nb")})
        EXPECT_FALSE(cache.smallPicturePath(cph).has_value()) << cph.toStdString();
    EXPECT_EQ(cache.smallPicturePath(QStringLiteral("P1a2")), QStringLiteral("/tmp/x/vorbelpic/P1a2.jpg"));
    EXPECT_EQ(cache.largePicturePath(QStringLiteral("P1a2")),
              QStringLiteral("/tmp/x/vorbelpic/P1a2_dtp.jpg"));
}

TEST(PictureCache, FolderIsCreatedAndLinksAreNotPlainFiles)
{
    QTemporaryDir dir;
    const PictureCache cache(dir.path() + QLatin1Char('/'));
    EXPECT_TRUE(cache.ensureFolder());
    EXPECT_TRUE(cache.ensureFolder());
    const QString target = dir.filePath(QStringLiteral("outside.jpg"));
    QFile(target).open(QIODevice::WriteOnly);
    const QString link = *cache.smallPicturePath(QStringLiteral("P1"));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_FALSE(PictureCache::isPlainFile(link));
    EXPECT_TRUE(PictureCache::isPlainFile(target));
    EXPECT_TRUE(TempFolderPath().endsWith(QLatin1Char('/')));
}

} // namespace
