#include "ServiceTestSupport.h"

#include "service/Catalogue.h"
#include "service/ServiceClock.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <set>

using namespace vorbel;
using namespace vorbel::test;

namespace {

/// One favourite as the client reads its row.
struct Row
{
    QString ufid, user, scid, cph, name, xtp, dtp, scsj, scjg, gxjg, cplj, sjlx;
};

/// The data rows of a favourites page; checks the header row and the thirteen-line rows on the way.
std::vector<Row> favouriteRows(const PageText& text)
{
    const std::vector<int> starts = rowStarts(text);
    EXPECT_FALSE(starts.empty()) << "the header row is missing";
    if (starts.empty())
        return {};
    EXPECT_EQ(cellValue(text, starts[0] + 1), QStringLiteral("序列"));
    std::vector<Row> rows;
    for (std::size_t r = 1; r < starts.size(); ++r) {
        const int i = starts[r];
        EXPECT_EQ(starts[r] - starts[r - 1], 13) << "a row is a <TR> line and twelve cell lines";
        for (int line = i + 1; line <= i + 12; ++line)
            EXPECT_TRUE(text.line(line).startsWith(QStringLiteral("<TD>"))) << text.line(line).toStdString();
        auto c = [&](int offset) { return cellValue(text, i + offset); };
        rows.push_back(Row{c(1), c(2), c(3), c(4), c(5), c(6), c(7), c(8), c(9), c(10), c(11), c(12)});
    }
    return rows;
}

/// The first offer of a result page: its number, product id, name, price and shop cells.
struct Listed
{
    std::string bh;
    QString cph, name, price, shop;
};

Listed firstOffer(const PageText& text, int index = 0)
{
    const int i = rowStarts(text).at(std::size_t(index));
    return Listed{cellValue(text, i + 1).toStdString(), cellValue(text, i + 2), cellValue(text, i + 3),
                  cellValue(text, i + 7), cellValue(text, i + 9)};
}

class FavouritesTest : public ServiceTest
{
protected:
    int opFav(const std::string& query)
    {
        const auto result = get("/OpFav.aspx?" + query);
        EXPECT_TRUE(result);
        return result ? result->status : 0;
    }
    int add(const std::string& user, const std::string& bh)
    {
        return opFav("u=" + user + "&p=kzvtq&i=" + bh);
    }
    int remove(const std::string& user, const QString& ufid)
    {
        return opFav("u=" + user + "&p=kzvtq&uf=" + ufid.toStdString());
    }
};

TEST_F(FavouritesTest, CollectListSeeDropsAndRisesDelete)
{
    m_now = *service::parseClockSetting("2026-12-08T09:00", 0);
    startService();
    const PageText listed = results("ipad2", "U7");
    const Listed offer = firstOffer(listed);
    EXPECT_EQ(add("U7", offer.bh), 200);
    EXPECT_EQ(add("U7", offer.bh), 200); // once only
    const PageText again = results("ipad2", "U7");
    EXPECT_EQ(again.line(rowStarts(again)[0] + 13), QStringLiteral("<TD>Yes</TD>"));
    EXPECT_EQ(again.line(rowStarts(again)[1] + 13), QStringLiteral("<TD>No</TD>"));
    const PageText someoneElse = results("ipad2", "U8");
    EXPECT_EQ(someoneElse.line(rowStarts(someoneElse)[0] + 13), QStringLiteral("<TD>No</TD>"));

    std::vector<Row> rows = favouriteRows(favourites("U7"));
    ASSERT_EQ(rows.size(), 1u);
    const Row& row = rows[0];
    EXPECT_EQ(row.user, QStringLiteral("U7"));
    EXPECT_EQ(row.scid.toStdString(), offer.bh);
    EXPECT_EQ(row.cph, offer.cph);
    EXPECT_EQ(row.name, offer.name);
    EXPECT_EQ(row.sjlx, offer.shop);
    EXPECT_TRUE(row.xtp.endsWith("/pic/" + offer.cph + ".jpg"));
    EXPECT_TRUE(row.dtp.endsWith("/pic/" + offer.cph + "_dtp.jpg"));
    EXPECT_TRUE(row.cplj.contains(QStringLiteral("&amp;")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(row.scsj)
                    .hasMatch());
    EXPECT_EQ(row.scjg, offer.price) << "collected at the price the page showed";
    EXPECT_EQ(row.gxjg, row.scjg);
    EXPECT_EQ(favouriteRows(favourites("U7", true)).size(), 0u) << "no drop at the moment of collecting";
    EXPECT_EQ(favouriteRows(favourites("U8")).size(), 0u);

    // Prices hold for the rest of the day.
    m_now = *service::parseClockSetting("2026-12-08T23:59", 0);
    EXPECT_EQ(favouriteRows(favourites("U7")).at(0).gxjg, row.scjg);
    EXPECT_EQ(favouriteRows(favourites("U7", true)).size(), 0u);

    // Day by day the current price falls below and rises above the collected one; only the falls are
    // price-drop notices.
    bool fell = false, rose = false;
    for (int day = 0; day < 200 && !(fell && rose); ++day) {
        m_now = service::daysLater(m_now, 1);
        const Row now = favouriteRows(favourites("U7")).at(0);
        EXPECT_EQ(now.scjg, row.scjg);
        const bool drop = cents(now.gxjg) < cents(now.scjg);
        EXPECT_EQ(favouriteRows(favourites("U7", true)).size(), drop ? 1u : 0u) << now.gxjg.toStdString();
        (drop ? fell : rose) |= cents(now.gxjg) != cents(now.scjg);
    }
    EXPECT_TRUE(fell && rose);

    EXPECT_EQ(remove("U8", row.ufid), 200); // not U8's favourite: nothing happens
    EXPECT_EQ(favouriteRows(favourites("U7")).size(), 1u);
    EXPECT_EQ(remove("U7", row.ufid), 200);
    EXPECT_EQ(favouriteRows(favourites("U7")).size(), 0u);
    const PageText after = results("ipad2", "U7");
    EXPECT_EQ(after.line(rowStarts(after)[0] + 13), QStringLiteral("<TD>No</TD>"));
}

TEST_F(FavouritesTest, ADayLaterSomeCollectedOffersAreCheaperAndOnlyTheyAreDrops)
{
    m_now = *service::parseClockSetting("2026-12-08T10:00", 0);
    service::ServiceOptions options;
    options.clockStart = m_now.load();
    startService(options);
    const PageText listed = results("液晶电视", "U5");
    const int offers = int(rowStarts(listed).size());
    ASSERT_GE(offers, 20);
    for (int i = 0; i < offers; ++i)
        ASSERT_EQ(add("U5", firstOffer(listed, i).bh), 200);
    EXPECT_EQ(favouriteRows(favourites("U5", true)).size(), 0u);

    const auto moved = get("/clock?advance=1d");
    ASSERT_TRUE(moved);
    ASSERT_EQ(moved->body, "2026-12-09 10:00:00\n");
    const std::vector<Row> all = favouriteRows(favourites("U5"));
    ASSERT_EQ(int(all.size()), offers);
    std::set<QString> cheaper;
    int changed = 0;
    for (const Row& row : all) {
        if (cents(row.gxjg) < cents(row.scjg))
            cheaper.insert(row.ufid);
        changed += row.gxjg != row.scjg ? 1 : 0;
    }
    EXPECT_GT(cheaper.size(), 0u);
    EXPECT_LT(changed, offers / 2) << "most offers keep yesterday's price";
    std::set<QString> drops;
    for (const Row& row : favouriteRows(favourites("U5", true)))
        drops.insert(row.ufid);
    EXPECT_EQ(drops, cheaper);
}

TEST_F(FavouritesTest, UnknownOffersAndMissingIdentitiesChangeNothing)
{
    startService();
    const Listed offer = firstOffer(results("ipod", "U1"));
    EXPECT_EQ(add("U1", "999999999"), 404);
    EXPECT_EQ(add("U1", offer.bh + "a"), 404);
    EXPECT_EQ(add("U1", ""), 404);
    EXPECT_EQ(add("", offer.bh), 400);
    EXPECT_EQ(add("U1", std::to_string(std::stoll(offer.bh) + 5000)), 404) << "past the keyword's offers";
    EXPECT_EQ(favouriteRows(favourites("U1")).size(), 0u);
    EXPECT_EQ(favouriteRows(favourites("")).size(), 0u);
}

TEST_F(FavouritesTest, KeywordsSharingAHomeSlotGetNumbersOfTheirOwn)
{
    // Two keywords whose numbers would collide if the service did not keep them apart.
    std::map<int, std::string> seen;
    std::string first, second;
    for (int i = 0; second.empty(); ++i) {
        const std::string keyword = "kw" + std::to_string(i);
        const auto [it, fresh] = seen.emplace(service::homeSlot(keyword), keyword);
        if (!fresh) {
            first = it->second;
            second = keyword;
        }
    }
    startService();
    const Listed a = firstOffer(results(first, "U1"));
    const Listed b = firstOffer(results(second, "U1"));
    EXPECT_NE(a.bh, b.bh);
    EXPECT_EQ(add("U1", b.bh), 200);
    EXPECT_EQ(add("U1", a.bh), 200);
    const std::vector<Row> rows = favouriteRows(favourites("U1"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, b.name);
    EXPECT_EQ(rows[1].name, a.name);
}

TEST_F(FavouritesTest, FavouritesAndOfferNumbersSurviveARestart)
{
    QTemporaryDir data;
    service::ServiceOptions options;
    options.dataDir = (data.path() + "/nested/dir").toStdString(); // created when missing
    startService(options);
    const Listed kept = firstOffer(results("HTC", "U7\t%x"));
    const Listed dropped = firstOffer(results("HTC", "U7\t%x"), 1);
    const Listed later = firstOffer(results("华为", "U7\t%x"));
    EXPECT_EQ(add("U7%09%25x", kept.bh), 200);
    EXPECT_EQ(add("U7%09%25x", dropped.bh), 200);
    const std::vector<Row> before = favouriteRows(favourites("U7\t%x"));
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(remove("U7%20%25x", before[1].ufid), 200); // the tab reaches the service as a blank
    ASSERT_EQ(favouriteRows(favourites("U7 %x")).size(), 1u);

    m_service->stop();
    restartService();
    const std::vector<Row> after = favouriteRows(favourites("U7 %x"));
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].ufid, before[0].ufid);
    EXPECT_EQ(after[0].name, before[0].name);
    EXPECT_EQ(after[0].scjg, before[0].scjg);
    EXPECT_EQ(after[0].scsj, before[0].scsj);
    EXPECT_EQ(after[0].user, QStringLiteral("U7 %x"));

    // An offer listed before the restart can still be collected, and ids are never given out twice.
    EXPECT_EQ(add("U7%20%25x", later.bh), 200);
    const std::vector<Row> rows = favouriteRows(favourites("U7 %x"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].name, later.name);
    EXPECT_GT(rows[1].ufid.toInt(), before[1].ufid.toInt());
    EXPECT_EQ(firstOffer(results("华为", "U1")).bh, later.bh);
}

TEST_F(FavouritesTest, InMemoryFavouritesLastAcrossStopAndStart)
{
    startService();
    const Listed offer = firstOffer(results("ipod", "U1"));
    EXPECT_EQ(add("U1", offer.bh), 200);
    m_service->stop();
    ASSERT_TRUE(m_service->start());
    m_client = std::make_unique<httplib::Client>("127.0.0.1", m_service->port());
    EXPECT_EQ(favouriteRows(favourites("U1")).size(), 1u);
}

TEST_F(FavouritesTest, AChangeThatCannotBeSavedIsRefusedAndUndone)
{
    QTemporaryDir data;
    service::ServiceOptions options;
    options.dataDir = data.path().toStdString();
    startService(options);
    const PageText listed = results("ipad3", "U1");
    ASSERT_EQ(add("U1", firstOffer(listed).bh), 200);
    const std::filesystem::path file = std::filesystem::path(options.dataDir) / "favourites.txt";
    std::ifstream in(file);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(saved.empty());

    // A folder where the temporary file must go makes every save fail.
    std::filesystem::create_directory(file.string() + ".tmp");
    EXPECT_EQ(add("U1", firstOffer(listed, 1).bh), 500);
    const std::vector<Row> rows = favouriteRows(favourites("U1"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(remove("U1", rows[0].ufid), 500);
    EXPECT_EQ(favouriteRows(favourites("U1")).size(), 1u);
    std::ifstream unchanged(file);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(unchanged)), std::istreambuf_iterator<char>()),
              saved);

    std::filesystem::remove(file.string() + ".tmp");
    EXPECT_EQ(add("U1", firstOffer(listed, 1).bh), 200);
    EXPECT_EQ(favouriteRows(favourites("U1")).size(), 2u);
}

TEST_F(FavouritesTest, DamagedLinesOfTheFilesAreLeftOut)
{
    QTemporaryDir data;
    service::ServiceOptions options;
    options.dataDir = data.path().toStdString();
    startService(options);
    ASSERT_EQ(add("U1", firstOffer(results("ipod", "U1")).bh), 200);
    m_service->stop();
    const std::string folder = options.dataDir + "/";
    std::ofstream(folder + "favourites.txt", std::ios::app) << "garbage line\n7\tU1\tnot-a-price\n";
    std::ofstream(folder + "offer-numbers.txt", std::ios::app) << "12"; // cut short by a crash
    restartService();
    EXPECT_EQ(favouriteRows(favourites("U1")).size(), 1u);
    // The next keyword's number line does not run into the cut one.
    const Listed fresh = firstOffer(results("联想", "U1"));
    m_service->stop();
    restartService();
    EXPECT_EQ(add("U1", fresh.bh), 200);
    EXPECT_EQ(favouriteRows(favourites("U1")).size(), 2u);
}

} // namespace
