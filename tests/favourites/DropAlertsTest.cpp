#include "testing/EventLoop.h"
#include "testing/FavouritesPages.h"
#include "testing/LocalServer.h"
#include "testing/StoreFixture.h"

#include "favourites/DropAlerts.h"
#include "platform/Clock.h"
#include "platform/PageText.h"
#include "session/AppState.h"
#include "store/Database.h"
#include "store/PriceHistory.h"

#include <QNetworkAccessManager>
#include <atomic>
#include <mutex>

using namespace vorbel;
using namespace vorbel::test;

namespace {

QStringList favourite(const QString& cph, const QString& name, const QString& collected,
                      const QString& current, const QString& shop = QStringLiteral("京东商城"))
{
    return favouritesRow({QStringLiteral("1"), QStringLiteral("U1"), QStringLiteral("9"), cph, name,
                          QStringLiteral("http://x/s.jpg"), QStringLiteral("http://x/b.jpg"),
                          QStringLiteral("2026-12-01 10:00:00"), collected, current,
                          QStringLiteral("http://s.cn/"), shop});
}

QString html(const QStringList& lines)
{
    return QStringLiteral("<HTML><BODY><TABLE>\n") + lines.join(QLatin1Char('\n')) +
           QStringLiteral("\n</TABLE></BODY></HTML>");
}

TEST(PriceDropList, OnlyRowsWithANumericFallAreDrops)
{
    const PageText page = PageText::fromLines(
        favouritesHeader() +
        favourite(QStringLiteral("A"), QStringLiteral("手机&amp;壳"), QStringLiteral("100"),
                  QStringLiteral("90.5")) +
        favourite(QStringLiteral("B"), QStringLiteral("耳机"), QStringLiteral("100"), QStringLiteral("100")) +
        favourite(QStringLiteral("C"), QStringLiteral("相机"), QStringLiteral("面议"), QStringLiteral("50")) +
        favourite(QStringLiteral("D"), QStringLiteral("电脑"), QStringLiteral("50"), QStringLiteral("60")) +
        favourite(QString(), QStringLiteral("无号"), QStringLiteral("50"), QStringLiteral("40")));
    const std::vector<PriceDrop> drops = readPriceDrops(page);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].cph, QStringLiteral("A"));
    EXPECT_EQ(drops[0].name, QStringLiteral("手机&壳"));
    EXPECT_EQ(drops[0].fallMicros, 9500000);

    // Without the list's header the page is no list, whatever its rows say.
    EXPECT_TRUE(readPriceDrops(PageText::fromLines(favourite(QStringLiteral("A"), QStringLiteral("x"),
                                                             QStringLiteral("100"), QStringLiteral("1"))))
                    .empty());
}

TEST(PriceDropList, NoticeCountsTheDropsAndNamesTheLargestFall)
{
    const std::vector<PriceDrop> drops{{"A", "淘宝", "耳机", "100", "95", 5000000},
                                       {"B", "京东商城", "相机", "300", "279.5", 20500000},
                                       {"C", "淘宝", "电脑", "50", "29.5", 20500000}};
    EXPECT_EQ(dropNoticeTitle(drops), QStringLiteral("3 件收藏商品降价"));
    EXPECT_EQ(dropNoticeText(drops), QStringLiteral("降幅最大：相机\n￥300 → ￥279.5（↓￥20.50）"));
}

class DropAlertsTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_server.routes().Get("/ListAllMyFav.aspx",
                              [this](const httplib::Request& request, httplib::Response& res) {
                                  ++m_requests;
                                  EXPECT_EQ(request.get_param_value("d"), "down");
                                  EXPECT_EQ(request.get_param_value("u"), "U1");
                                  std::lock_guard lock(m_mutex);
                                  res.status = m_status;
                                  res.set_content(m_page.toStdString(), "text/html; charset=utf-8");
                              });
        m_server.start();
        m_state.UserId = QStringLiteral("U1");
        m_state.UserPassword = QStringLiteral("P1");
        makeAlerts();
    }

    void makeAlerts()
    {
        const QString base = QString::fromStdString(m_server.url(""));
        m_alerts =
            std::make_unique<DropAlerts>(*m_db, m_network, m_state, ServiceConfig{base, base}, m_clock);
        QObject::connect(m_alerts.get(), &DropAlerts::freshDrops,
                         [this](const std::vector<PriceDrop>& drops) { m_fresh.push_back(drops); });
        QObject::connect(m_alerts.get(), &DropAlerts::checked, [this](int) { ++m_checks; });
    }

    void serve(const QStringList& lines, int status = 200)
    {
        std::lock_guard lock(m_mutex);
        m_page = html(lines);
        m_status = status;
    }

    void check()
    {
        const int before = m_checks;
        m_alerts->check();
        ASSERT_TRUE(waitUntil([&] { return m_checks > before; }));
    }

    int rows(const char* table)
    {
        return m_db->select(QStringLiteral("select count(*) from ") + QLatin1String(table))
            .rows[0][0]
            .toInt();
    }

    LocalServer m_server;
    std::mutex m_mutex;
    QString m_page;
    int m_status = 200;
    std::atomic<int> m_requests{0};
    QNetworkAccessManager m_network;
    FixedClock m_clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0))};
    AppState m_state;
    std::unique_ptr<DropAlerts> m_alerts;
    std::vector<std::vector<PriceDrop>> m_fresh;
    int m_checks = 0;
};

TEST_F(DropAlertsTest, ADropIsAnnouncedOnceAndAFurtherFallAgain)
{
    serve(
        favouritesHeader() +
        favourite(QStringLiteral("A"), QStringLiteral("耳机"), QStringLiteral("100"), QStringLiteral("90")) +
        favourite(QStringLiteral("B"), QStringLiteral("相机"), QStringLiteral("300"), QStringLiteral("250")));
    check();
    ASSERT_EQ(m_fresh.size(), 1u);
    EXPECT_EQ(m_fresh[0].size(), 2u);

    check();
    EXPECT_EQ(m_fresh.size(), 1u) << "the same drops are not announced twice";

    // Announced stays announced for a new run on the same file.
    openStore();
    makeAlerts();
    check();
    EXPECT_EQ(m_fresh.size(), 1u);

    serve(
        favouritesHeader() +
        favourite(QStringLiteral("A"), QStringLiteral("耳机"), QStringLiteral("100"), QStringLiteral("80")) +
        favourite(QStringLiteral("B"), QStringLiteral("相机"), QStringLiteral("300"), QStringLiteral("250")));
    check();
    ASSERT_EQ(m_fresh.size(), 2u);
    ASSERT_EQ(m_fresh[1].size(), 1u);
    EXPECT_EQ(m_fresh[1][0].currentPrice, QStringLiteral("80"));
}

TEST_F(DropAlertsTest, TheListsPricesGoToTheMemoryAndTheFavouritesTableStaysAsItIs)
{
    m_db->exec(QStringLiteral("insert into scnr (cph, sjlx, scjg) values ('Z', '淘宝', '10')"));
    serve(
        favouritesHeader() +
        favourite(QStringLiteral("A"), QStringLiteral("耳机"), QStringLiteral("100"), QStringLiteral("90")) +
        favourite(QStringLiteral("A"), QStringLiteral("耳机"), QStringLiteral("100"), QStringLiteral("90")));
    check();
    EXPECT_EQ(rows("scnr"), 1);
    PriceHistory history(*m_db);
    const std::vector<PriceRecord> seen = history.history(QStringLiteral("A"), QStringLiteral("京东商城"));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].price, QStringLiteral("90"));
    ASSERT_EQ(m_fresh.size(), 1u);
    EXPECT_EQ(m_fresh[0].size(), 1u) << "an offer listed twice is one drop";
}

TEST_F(DropAlertsTest, AFailedPageAnnouncesNothingAndKeepsNothing)
{
    serve(favouritesHeader() + favourite(QStringLiteral("A"), QStringLiteral("耳机"), QStringLiteral("100"),
                                         QStringLiteral("90")),
          500);
    check();
    EXPECT_TRUE(m_fresh.empty());
    EXPECT_EQ(rows("jgtz"), 0);
    EXPECT_EQ(rows("jgls"), 0);

    // The same drop on a sound page later is still news.
    serve(favouritesHeader() + favourite(QStringLiteral("A"), QStringLiteral("耳机"), QStringLiteral("100"),
                                         QStringLiteral("90")));
    check();
    EXPECT_EQ(m_fresh.size(), 1u);
}

TEST_F(DropAlertsTest, WithoutAnIdentityNothingIsAsked)
{
    m_state.UserId.clear();
    m_alerts->check();
    settle(300);
    EXPECT_EQ(m_requests.load(), 0);
    EXPECT_FALSE(m_alerts->isChecking());
}

TEST_F(DropAlertsTest, OldAnnouncementsAreForgottenWithThePriceMemory)
{
    DropAnnouncements announcements(*m_db);
    const std::vector<PriceDrop> drops{{"A", "淘宝", "耳机", "100", "95", 5000000}};
    announcements.remember(drops, m_clock.now().addYears(-3));
    EXPECT_EQ(announcements.prune(m_clock.now()), 1);
    EXPECT_EQ(announcements.fresh(drops).size(), 1u);
}

} // namespace
