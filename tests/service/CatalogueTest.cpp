#include "ServiceTestSupport.h"

#include "service/Catalogue.h"
#include "service/HotProducts.h"
#include "service/RecordFile.h"
#include "service/ServiceClock.h"
#include "service/TextEncoding.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

using namespace vorbel;
using namespace vorbel::service;

namespace {

// The home page's hot keywords, as the client's labels spell them.
const std::vector<std::string> HotKeywords{
    "舌尖中国",   "婴儿奶粉", "左旋肉碱", "减肥药",   "瘦腿精油", "按摩器",     "健身器",    "胶原蛋白",
    "女装新款",   "连衣裙",   "长袖T恤",  "女装雪纺", "新款韩版", "情侣装",     "亲子装",    "休闲裤",
    "身体美白",   "防脱生发", "BB霜",     "香奈儿",   "芳草集",   "金戒指",     "手链",      "水晶项链",
    "苹果手机",   "安卓手机", "iphone5",  "iphone4",  "乐Phone",  "HTC",        "小米手机",  "三星手机",
    "智能手机",   "ipad2",    "ipad3",    "ipod",     "液晶电视", "自动洗衣机", "电冰箱",    "笔记本电脑",
    "苹果/APPLE", "诺基亚",   "联想",     "华为",     "ZTE/中兴", "摩托罗拉",   "Sony/索尼", "OPPO/欧普"};

int ratingBand(int count)
{
    return count <= 10 ? 0 : count <= 100 ? 1 : count <= 1000 ? 2 : 3;
}

TEST(Catalogue, EveryHotKeywordHasRealProductsAndAFullSpread)
{
    EXPECT_EQ(hotKeywords(), HotKeywords);
    int genuine = 0, total = 0;
    for (const std::string& keyword : HotKeywords) {
        const HotProducts* products = hotProductsFor(keyword);
        ASSERT_NE(products, nullptr) << keyword;
        const std::vector<Offer> offers = offersFor(keyword);
        ASSERT_GE(offers.size(), 20u) << keyword;
        ASSERT_LE(offers.size(), 60u) << keyword;
        std::set<std::string> shops, names;
        std::set<int> bands;
        bool whole = false, decimals = false;
        for (const Offer& offer : offers) {
            shops.insert(offer.shop);
            names.insert(offer.name);
            bands.insert(ratingBand(offer.count));
            (offer.wholePrice ? whole : decimals) = true;
            EXPECT_FALSE(offer.promotion.empty());
            EXPECT_TRUE(std::all_of(offer.cph.begin(), offer.cph.end(), ::isalnum)) << offer.cph;
            const bool fromAStem =
                std::any_of(products->stems.begin(), products->stems.end(), [&](const ProductStem& s) {
                    return offer.name.find(s.text) != std::string::npos &&
                           offer.priceCents >= s.minYuan * 100 && offer.priceCents <= s.maxYuan * 100 + 99;
                });
            EXPECT_TRUE(fromAStem) << offer.name << " at " << offer.priceCents;
            genuine += offer.name.find("正品") != std::string::npos ? 1 : 0;
            ++total;
        }
        EXPECT_EQ(shops.size(), 7u) << keyword;
        EXPECT_EQ(bands.size(), 4u) << keyword << ": counts span every rating band";
        EXPECT_TRUE(whole && decimals) << keyword;
        EXPECT_GT(names.size(), 3u) << keyword;
    }
    EXPECT_GT(genuine, total / 6);
    EXPECT_LT(genuine, total / 2);
}

TEST(Catalogue, LinksCarryTheCodesTheClientRewrites)
{
    for (const Offer& offer : offersFor("任意商品")) {
        const bool taobaoLike = offer.shop == "淘宝网" || offer.shop == "天猫商城";
        const std::string marker = taobaoLike ? "pid=mm_" : "unionId=";
        const std::size_t at = offer.linkPath.find(marker);
        ASSERT_NE(at, std::string::npos) << offer.linkPath;
        EXPECT_NE(offer.linkPath.find('&', at), std::string::npos) << "another parameter follows the code";
        EXPECT_EQ(offer.linkPath.find("id=" + std::to_string(offer.bh)), offer.linkPath.find('?') + 1);
    }
}

std::int64_t localTime(const std::string& text)
{
    const std::optional<std::int64_t> seconds = parseClockSetting(text, 0);
    EXPECT_TRUE(seconds) << text;
    return seconds.value_or(0);
}

ServiceDay dayAfter(ServiceDay day, std::int64_t days = 1)
{
    return ServiceDay(std::int64_t(day) + days);
}

/// Sets the process's time zone for one test, then puts the old one back.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

TEST(ServiceDays, ADayRunsFromLocalMidnightToMidnightAndIsNumberedByItsDate)
{
    const ServiceDay day = serviceDay(localTime("2026-12-08"));
    EXPECT_EQ(std::int64_t(day), 20795) << "days from 1970-01-01, whatever the time zone";
    EXPECT_EQ(serviceDay(localTime("2026-12-08T23:59:59")), day);
    EXPECT_EQ(serviceDay(localTime("2026-12-08") - 1), ServiceDay(20794));
    EXPECT_EQ(serviceDay(localTime("2026-12-09")), dayAfter(day));
    EXPECT_EQ(serviceDay(localTime("1969-12-31T12:00")), ServiceDay(-1));
    EXPECT_EQ(localTimeText(daysLater(localTime("2026-12-31T10:00"), 1)), "2027-01-01 10:00:00");
    EXPECT_EQ(localTimeText(daysLater(localTime("2026-03-01T10:00"), -1)), "2026-02-28 10:00:00");
}

TEST(ServiceDays, DaylightSavingChangesNeitherSkipNorRepeatADate)
{
    if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin"))
        GTEST_SKIP() << "no time zone data";
    const ScopedTimeZone berlin("Europe/Berlin");
    // 2026-10-25 has 25 hours there: a day's worth of seconds from its first half hour stays on that date.
    const std::int64_t early = localTime("2026-10-25T00:30");
    EXPECT_EQ(localTimeText(daysLater(early, 1)), "2026-10-26 00:30:00");
    EXPECT_EQ(serviceDay(localTime("2026-10-25T23:30")), serviceDay(early));
    EXPECT_EQ(serviceDay(daysLater(early, 1)), dayAfter(serviceDay(early)));
    EXPECT_FALSE(parseClockSetting("2026-03-29T02:30", 0)) << "a local time the clocks skip";
    EXPECT_EQ(serviceDay(localTime("2026-12-08")), ServiceDay(20795));
}

TEST(CataloguePrices, SteadyThroughADay)
{
    const std::vector<Offer> offers = offersFor("液晶电视", 500);
    const std::int64_t midnight = localTime("2026-12-08");
    for (const Offer& offer : offers) {
        const std::int64_t price = currentPriceCents(offer, serviceDay(midnight));
        EXPECT_EQ(currentPriceCents(offer, serviceDay(midnight + 10 * 3600)), price);
        EXPECT_EQ(currentPriceCents(offer, serviceDay(localTime("2026-12-08T23:59:59"))), price);
    }
}

TEST(CataloguePrices, SomeButNotAllMoveEachDayBothUpAndDown)
{
    const std::vector<Offer> offers = offersFor("液晶电视", 2000);
    const ServiceDay first = serviceDay(localTime("2026-11-01"));
    std::vector<std::int64_t> before;
    for (const Offer& offer : offers)
        before.push_back(currentPriceCents(offer, first));
    int moved = 0, days = 0;
    for (ServiceDay day = dayAfter(first); day != dayAfter(first, 61); day = dayAfter(day)) {
        int up = 0, down = 0;
        for (std::size_t i = 0; i < offers.size(); ++i) {
            const std::int64_t now = currentPriceCents(offers[i], day);
            (now > before[i] ? up : down) += now != before[i] ? 1 : 0;
            before[i] = now;
        }
        // About a quarter to a third of the offers move each day, the rest keep yesterday's price.
        EXPECT_GT(up + down, int(offers.size()) / 5) << std::int64_t(day);
        EXPECT_LT(up + down, int(offers.size()) * 2 / 5) << std::int64_t(day);
        EXPECT_GT(up, int(offers.size()) / 20) << std::int64_t(day);
        EXPECT_GT(down, int(offers.size()) / 20) << std::int64_t(day);
        moved += up + down;
        ++days;
    }
    EXPECT_GT(moved, days * int(offers.size()) / 4);
    EXPECT_LT(moved, days * int(offers.size()) / 3);
}

TEST(CataloguePrices, EveryOfferKeepsMovingOverTheMonths)
{
    // No offer stops at one price it once took: over the months each shows most of its range.
    const std::vector<Offer> offers = offersFor("笔记本电脑", 300);
    const ServiceDay first = serviceDay(localTime("2026-01-01"));
    for (const Offer& offer : offers) {
        std::set<std::int64_t> prices;
        for (int d = 0; d < 20 * LongestSteadyDays; ++d)
            prices.insert(currentPriceCents(offer, dayAfter(first, d)));
        EXPECT_GT(prices.size(), 20u) << offer.cph;
        EXPECT_LT(*prices.begin() * 100, offer.priceCents * 95) << offer.cph;
        EXPECT_GT(*prices.rbegin() * 100, offer.priceCents * 105) << offer.cph;
    }
}

TEST(CataloguePrices, StayNearTheListPriceWholeAndAtLeastOneYuan)
{
    std::vector<Offer> offers = offersFor("液晶电视", 300);
    for (const Offer& offer : offersFor("任意商品", 300))
        offers.push_back(offer);
    Offer cheap;
    cheap.cph = "Pcheap";
    cheap.priceCents = 100;
    cheap.wholePrice = true;
    Offer cheapDecimals = cheap;
    cheapDecimals.cph = "Pcheapdecimals";
    cheapDecimals.priceCents = 105;
    cheapDecimals.wholePrice = false;
    int lowest = 100, highest = 100;
    const ServiceDay first = serviceDay(localTime("2026-12-08"));
    for (int d = -100; d < 100; ++d) {
        const ServiceDay day = dayAfter(first, d);
        for (const Offer& offer : offers) {
            const std::int64_t now = currentPriceCents(offer, day);
            // Whole prices round down to the yuan.
            EXPECT_GE(now + 100, offer.priceCents * 85 / 100) << offer.cph;
            EXPECT_LE(now, offer.priceCents * 115 / 100) << offer.cph;
            if (offer.wholePrice) {
                EXPECT_EQ(now % 100, 0) << offer.cph;
            }
            if (offer.priceCents >= 10000) {
                lowest = std::min(lowest, int(now * 100 / offer.priceCents));
                highest = std::max(highest, int(now * 100 / offer.priceCents));
            }
        }
        EXPECT_EQ(currentPriceCents(cheap, day), 100);
        EXPECT_GE(currentPriceCents(cheapDecimals, day), 100);
    }
    EXPECT_LE(lowest, 86);
    EXPECT_GE(highest, 114);
    EXPECT_EQ(formatPrice(9950, false), "99.50");
    EXPECT_EQ(formatPrice(9900, true), "99");
    EXPECT_EQ(formatPrice(905, false), "9.05");
}

TEST(CataloguePrices, TheSameForTheSameOfferAndDateWhateverTheTimeZone)
{
    const std::vector<Offer> offers = offersFor("ipod");
    std::vector<std::int64_t> here;
    for (const Offer& offer : offers)
        here.push_back(currentPriceCents(offer, serviceDay(localTime("2026-12-08T10:00"))));
    if (!std::filesystem::exists("/usr/share/zoneinfo/Asia/Shanghai"))
        GTEST_SKIP() << "no time zone data";
    const ScopedTimeZone shanghai("Asia/Shanghai");
    // Made afresh: nothing of the first run's offers or prices is kept anywhere.
    const std::vector<Offer> again = offersFor("ipod");
    ASSERT_EQ(again.size(), offers.size());
    for (std::size_t i = 0; i < again.size(); ++i)
        EXPECT_EQ(currentPriceCents(again[i], serviceDay(localTime("2026-12-08T23:00"))), here[i]) << i;
}

TEST(Catalogue, OfferAtMatchesTheListAndEndsWithIt)
{
    const std::vector<Offer> offers = offersFor("ipod", 0, 77);
    ASSERT_FALSE(offers.empty());
    EXPECT_EQ(offers[3].bh, 77 * OffersPerSlot + 3);
    EXPECT_EQ(offerAt("ipod", 3, 0, 77)->name, offers[3].name);
    EXPECT_FALSE(offerAt("ipod", int(offers.size()), 0, 77));
    EXPECT_FALSE(offerAt("ipod", -1, 0, 77));
    EXPECT_TRUE(offerAt("ipod", 9999, MaxPageSize, 77));
    EXPECT_EQ(offerCount(""), 0);
    EXPECT_EQ(offerCount("x", 123456), MaxPageSize);
}

TEST(TextEncoding, CleanTextKeepsCharactersAndDropsLineBreakers)
{
    EXPECT_EQ(cleanText("a\nb\r\tc\x7F"
                        "d"),
              "a b  c d");
    EXPECT_EQ(cleanText("\xFF"
                        "x\xC3"),
              "\xEF\xBF\xBD"
              "x\xEF\xBF\xBD");
    EXPECT_EQ(cleanText("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD") << "overlong forms are not characters";
    EXPECT_EQ(cleanText("手机 😀"), "手机 😀");
    EXPECT_EQ(validUtf8("a\nb"), "a\nb");
    EXPECT_EQ(firstCodePoints("手机壳", 2), "手机");
    EXPECT_EQ(toGb18030("手机"), "\xCA\xD6\xBB\xFA");
    EXPECT_EQ(toGb18030("😀").size(), 4u) << "outside GBK, still kept";
    EXPECT_EQ(toGb18030(std::string(100000, 'a')).size(), 100000u);
}

TEST(RecordFile, FieldsComeBackUnchanged)
{
    const std::vector<std::string> fields{"plain", "tab\there", "line\nbreak\r", "100% %09", "", "手机"};
    const std::string line = RecordFile::join(fields);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(RecordFile::split(line), fields);
    EXPECT_EQ(RecordFile::unescape("%zz%4"), "%zz%4");
}

} // namespace
