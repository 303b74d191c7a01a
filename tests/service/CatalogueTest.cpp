#include "ServiceTestSupport.h"

#include "service/Catalogue.h"
#include "service/HotProducts.h"
#include "service/RecordFile.h"
#include "service/TextEncoding.h"

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

TEST(Catalogue, PricesMoveInStepsAndStayNearTheListPrice)
{
    const std::vector<Offer> offers = offersFor("液晶电视");
    std::set<std::int64_t> seen;
    for (const Offer& offer : offers) {
        const std::int64_t start = 1765000000 - 1765000000 % PriceStepSeconds;
        for (std::int64_t t = start; t < start + 40 * PriceStepSeconds; t += PriceStepSeconds) {
            const std::int64_t now = currentPriceCents(offer, t);
            EXPECT_EQ(currentPriceCents(offer, t + PriceStepSeconds - 1), now) << "steady within a step";
            EXPECT_GE(now * 100, offer.priceCents * 84);
            EXPECT_LE(now * 100, offer.priceCents * 116);
            if (offer.wholePrice) {
                EXPECT_EQ(now % 100, 0);
            }
            seen.insert(now);
        }
    }
    EXPECT_GT(seen.size(), offers.size() * 10);
    EXPECT_EQ(formatPrice(9950, false), "99.50");
    EXPECT_EQ(formatPrice(9900, true), "99");
    EXPECT_EQ(formatPrice(905, false), "9.05");
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
