#include "testing/StoreFixture.h"

#include "search/ResultFilter.h"
#include "search/SearchStart.h"
#include "search/ShopBoxCascade.h"
#include "session/AppState.h"
#include "session/Startup.h"

using namespace vorbel;
using namespace vorbel::test;

namespace {

class SearchStartTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_db->exec(QStringLiteral("insert into tpb (word, tpid, bh) values (?, ?, ?)"),
                   {QStringLiteral("it's"), QStringLiteral("P1"), QStringLiteral("1")});
        m_db->exec(QStringLiteral("insert into tpb (word, tpid, bh) values (?, ?, ?)"),
                   {QStringLiteral("other"), QStringLiteral("P2"), QStringLiteral("2")});
        m_db->exec(QStringLiteral("insert into cxnr (bh, cxrq, \"check\") values (1, 46000, '点击收藏')"));
        openStandingQueries(*m_queries);
    }

    int storedOffers()
    {
        return m_db->select(QStringLiteral("select count(*) from cxnr")).rows[0][0].toInt();
    }

    AppState m_state;
};

TEST_F(SearchStartTest, KnownKeywordWithAQuoteIsTrimmedAndFindsItsPictures)
{
    ASSERT_EQ(m_queries->ADOQuery2.recordCount(), 1);
    const SearchStartResult start = startSearch(QStringLiteral(" \tit's \r\n"), *m_queries, m_state);
    EXPECT_EQ(start.keyword, QStringLiteral("it's"));
    EXPECT_TRUE(start.sendRequest);
    EXPECT_EQ(m_state.SearchWord, QStringLiteral("it's"));
    EXPECT_TRUE(m_state.PicturesKnown);
    EXPECT_FALSE(m_state.BeforeFirstSearch);
    ASSERT_EQ(m_queries->qry1.recordCount(), 1); // only this keyword's register rows
    EXPECT_EQ(m_queries->qry1.valueAt(0, QStringLiteral("tpid")).toString(), QStringLiteral("P1"));
    EXPECT_EQ(storedOffers(), 0);
    EXPECT_TRUE(m_queries->ADOQuery2.isOpen());
    EXPECT_EQ(m_queries->ADOQuery2.recordCount(), 0);
    EXPECT_EQ(m_queries->ADOQuery2.sql(), QStringLiteral("select * from cxnr order by jg"));
}

TEST_F(SearchStartTest, NewAndBlankKeywordsFindNoPicturesAndBlankSendsNothing)
{
    m_state.PicturesKnown = true;
    const SearchStartResult fresh = startSearch(QStringLiteral("it''s"), *m_queries, m_state);
    EXPECT_FALSE(m_state.PicturesKnown);
    EXPECT_TRUE(fresh.sendRequest);
    EXPECT_EQ(m_queries->qry1.recordCount(), 0);

    m_db->exec(QStringLiteral("insert into cxnr (bh, cxrq, \"check\") values (2, 46000, '点击收藏')"));
    const SearchStartResult blank = startSearch(QStringLiteral(" \t "), *m_queries, m_state);
    EXPECT_FALSE(blank.sendRequest);
    EXPECT_TRUE(blank.keyword.isEmpty());
    EXPECT_EQ(storedOffers(), 0); // the old results are gone all the same
    EXPECT_FALSE(m_state.PicturesKnown);
}

TEST(SearchUrl, NonAsciiKeywordIsPercentEncodedAsUtf8InOrder)
{
    AppState state;
    state.SearchWord = QStringLiteral("苹果/APPLE");
    state.UserId = QStringLiteral("u 1");
    state.UserPassword = QStringLiteral("kzvtq");
    EXPECT_EQ(
        searchUrl(QStringLiteral("http://127.0.0.1:8410"), state).toString(QUrl::FullyEncoded),
        QStringLiteral("http://127.0.0.1:8410/ListAll.aspx?word=%E8%8B%B9%E6%9E%9C%2FAPPLE&u=u%201&p=kzvtq"));
}

using Handlers = std::vector<int>;

TEST(ShopBoxCascade, UntickingAShopUnticksAllAndTickingAllTicksEveryShop)
{
    ShopBoxCascade boxes;
    EXPECT_EQ(boxes.set(3, false), (Handlers{3, 0}));
    EXPECT_FALSE(boxes.boxes()[0]);
    EXPECT_FALSE(boxes.boxes()[3]);
    EXPECT_TRUE(boxes.boxes()[2]);

    EXPECT_EQ(boxes.set(5, false), (Handlers{5}));      // "全部" is already unticked
    EXPECT_EQ(boxes.set(0, true), (Handlers{0, 3, 5})); // only the boxes that change run
    EXPECT_EQ(boxes.boxes(), ShopBoxCascade::allTicked());
    EXPECT_TRUE(boxes.set(0, true).empty());
    EXPECT_TRUE(boxes.set(8, false).empty());
}

TEST(ShopBoxCascade, UntickingAllAloneLeavesTheShopsTicked)
{
    ShopBoxCascade boxes;
    EXPECT_EQ(boxes.set(0, false), (Handlers{0}));
    ShopBoxes expected = ShopBoxCascade::allTicked();
    expected[0] = false;
    EXPECT_EQ(boxes.boxes(), expected);
    EXPECT_EQ(
        filterStatement(boxes.boxes()),
        QStringLiteral("select * from cxnr where sjlx='淘宝网'  or sjlx='天猫商城'  or sjlx='京东商城'  or "
                       "sjlx='亚马逊'  or sjlx='当当网'  or sjlx='苏宁易购'  or sjlx='1号店'  order by jg"));
    for (int shop = 1; shop < 8; ++shop)
        boxes.set(shop, false);
    EXPECT_EQ(filterStatement(boxes.boxes()),
              QStringLiteral("select * from cxnr where sjlx='全部' order by jg"));
}

TEST_F(SearchStartTest, EveryCombinationOfBoxesNarrowsToTheRowsItsStatementReads)
{
    m_db->exec(QStringLiteral("delete from cxnr"));
    QStringList shops(filterShops().begin(), filterShops().end());
    shops << QStringLiteral("全部") << QStringLiteral("其他") << QString();
    for (int i = 0; i < 60; ++i) {
        m_db->exec(QStringLiteral("insert into cxnr (bh, jg, sjlx) values (?, ?, ?)"),
                   {i, QString::number((i * 7) % 13),
                    shops[i % shops.size()].isNull() ? QVariant() : QVariant(shops[i % shops.size()])});
    }
    StandingQuery& shown = m_queries->ADOQuery2;
    shown.openSql(filterStatement(ShopBoxCascade::allTicked()));
    for (unsigned mask = 0; mask < 256; ++mask) {
        ShopBoxes boxes{};
        for (std::size_t b = 0; b < boxes.size(); ++b)
            boxes[b] = (mask >> b) & 1U;
        shown.openNarrowed(filterStatement(boxes), filterNarrowing(boxes));
        StandingQuery read(*m_db, QStringLiteral("read"));
        read.openSql(filterStatement(boxes));
        ASSERT_EQ(shown.recordCount(), read.recordCount()) << filterStatement(boxes).toStdString();
        for (int row = 0; row < shown.recordCount(); ++row)
            EXPECT_EQ(shown.valueAt(row, QStringLiteral("bh")), read.valueAt(row, QStringLiteral("bh")));
    }
}

} // namespace
