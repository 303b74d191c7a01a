#include "service/Catalogue.h"

#include "service/HotProducts.h"
#include "service/TextEncoding.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace vorbel::service {

namespace {

constexpr std::size_t NameKeywordLength = 40;

const std::array<const char*, 10> Adjectives{"新款",   "热卖", "官方旗舰", "限量版", "经典款",
                                             "升级版", "家用", "便携",     "豪华",   "特惠装"};
const std::array<const char*, 7> Tags{"", " 新款", " 热卖", " 现货", " 特价", " 官方标配", " 全国联保"};
const std::array<const char*, 12> Promotions{"满99减10",    "全场包邮", "限时折扣",      "赠送精美礼品",
                                             "第二件半价",  "货到付款", "7天无理由退换", "积分翻倍",
                                             "满200送50券", "正品保证", "买一送一",      "新品上市 抢先购"};
const std::array<int, 4> CentsEndings{50, 80, 90, 99};

/// Counts by rating band: up to 10, 11 to 100, 101 to 1000 and above, edges included.
const std::array<std::array<int, 4>, 4> CountBands{
    {{0, 3, 8, 10}, {11, 36, 88, 100}, {101, 356, 820, 1000}, {1001, 2650, 12800, 56000}}};

std::uint64_t offerHash(const std::string& keyword, int index)
{
    return stableHash(keyword + "#" + std::to_string(index));
}

std::string linkPath(const std::string& shop, int bh)
{
    const std::string path = "/shop/" + shopCode(shop) + "/item.htm?id=" + std::to_string(bh);
    if (shop == "淘宝网")
        return path + "&pid=mm_10011550_0_0&spm=a1z10.3";
    if (shop == "天猫商城")
        return path + "&pid=mm_26632258_3504122_32538762&ali_trackid=2";
    if (shop == "京东商城")
        return path + "&unionId=10027&t=1";
    if (shop == "亚马逊")
        return path + "&unionId=20019&tag=cps";
    if (shop == "当当网")
        return path + "&unionId=30001&from=P-1";
    if (shop == "苏宁易购")
        return path + "&unionId=40007&utm=1";
    return path + "&unionId=50013&tp=1";
}

/// One product's hash on one day; the low bits say whether its price moves, the high ones to what.
std::uint64_t dayHash(std::uint64_t product, std::int64_t day)
{
    std::uint64_t x = product ^ (std::uint64_t(day) * 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::int64_t floorMod(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

std::int64_t priceIn(std::uint64_t h, int minYuan, int maxYuan, bool whole)
{
    const std::int64_t yuan = minYuan + std::int64_t(h % std::uint64_t(maxYuan - minYuan + 1));
    return yuan * 100 + (whole ? 0 : CentsEndings[(h >> 7) % CentsEndings.size()]);
}

/// Name and price of a hot keyword's offer: a real kind of product at its usual price.
void fillHot(Offer& offer, const HotProducts& products, std::uint64_t h, bool genuine)
{
    const ProductStem& stem = products.stems[(h >> 3) % products.stems.size()];
    std::string name = genuine ? "正品 " : "";
    if (!products.brands.empty())
        name += std::string(products.brands[(h >> 9) % products.brands.size()]) + " ";
    offer.name = name + stem.text + Tags[(h >> 15) % Tags.size()];
    offer.priceCents = priceIn(h >> 21, stem.minYuan, stem.maxYuan, offer.wholePrice);
}

/// Name and price of any other keyword's offer, around a price of the keyword's own.
void fillGeneric(Offer& offer, const std::string& keyword, std::uint64_t h, bool genuine, int index)
{
    std::string name = genuine ? "正品 " : "";
    name += firstCodePoints(keyword, NameKeywordLength) + " " + Adjectives[(h >> 8) % Adjectives.size()];
    name += ' ';
    name += char('A' + (h >> 16) % 26);
    name += std::to_string(100 + index * 7 + int(h % 90));
    offer.name = name;
    const int baseYuan = 10 + int(stableHash(keyword) % 4000);
    offer.priceCents = priceIn(h >> 21, baseYuan * 7 / 10, baseYuan * 13 / 10, offer.wholePrice);
}

Offer makeOffer(const std::string& keyword, int index, int slot)
{
    const std::uint64_t seed = stableHash(keyword);
    const std::uint64_t h = offerHash(keyword, index);
    Offer offer;
    offer.bh = slot * OffersPerSlot + index;
    char id[24];
    std::snprintf(id, sizeof id, "P%012llx", static_cast<unsigned long long>(h & 0xFFFFFFFFFFFFull));
    offer.cph = id;
    // The first offers cover every shop and every rating band; the rest vary freely.
    const std::size_t shop = index < 7 ? std::size_t(seed + std::uint64_t(index)) : std::size_t(h >> 27);
    offer.shop = shopNames()[shop % shopNames().size()];
    const std::size_t band = index < 4 ? std::size_t(index) : std::size_t((h >> 33) % 4);
    offer.count = CountBands[band][(h >> 37) % 4];
    offer.wholePrice = index == 0 || (index != 1 && (h >> 41) % 2 == 0);
    const bool genuine = (h >> 43) % 3 == 0;
    if (const HotProducts* products = hotProductsFor(keyword))
        fillHot(offer, *products, h, genuine);
    else
        fillGeneric(offer, keyword, h, genuine, index);
    offer.promotion = Promotions[(h >> 47) % Promotions.size()];
    offer.linkPath = linkPath(offer.shop, offer.bh);
    char listed[24];
    std::snprintf(listed, sizeof listed, "2026-12-%02d %02d:%02d", int(1 + (h >> 50) % 7),
                  int((h >> 53) % 24), int((h >> 58) % 60));
    offer.listedAt = listed;
    return offer;
}

} // namespace

const std::vector<std::string>& shopNames()
{
    static const std::vector<std::string> names{"淘宝网", "天猫商城", "京东商城", "亚马逊",
                                                "当当网", "苏宁易购", "1号店"};
    return names;
}

std::string shopCode(const std::string& shop)
{
    static const std::array<const char*, 7> codes{"taobao",   "tmall",  "jd", "amazon",
                                                  "dangdang", "suning", "yhd"};
    for (std::size_t i = 0; i < shopNames().size(); ++i)
        if (shopNames()[i] == shop)
            return codes[i];
    return "shop";
}

std::uint64_t stableHash(const std::string& text)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    // FNV-1a leaves texts that differ in their last character alike in most bits; this mix spreads them.
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
    return hash ^ (hash >> 31);
}

std::string formatPrice(std::int64_t cents, bool whole)
{
    if (whole)
        return std::to_string(cents / 100);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(cents / 100),
                  static_cast<long long>(cents % 100));
    return text;
}

int homeSlot(const std::string& keyword)
{
    return 1 + int(stableHash("slot:" + keyword) % std::uint64_t(SlotCount));
}

int offerCount(const std::string& keyword, int pageSize)
{
    if (keyword.empty())
        return 0;
    if (pageSize > 0)
        return std::min(pageSize, MaxPageSize);
    return 20 + int(stableHash(keyword) % 41);
}

std::vector<Offer> offersFor(const std::string& keyword, int pageSize, int slot)
{
    const int total = offerCount(keyword, pageSize);
    const int owner = slot > 0 ? slot : homeSlot(keyword);
    std::vector<Offer> offers;
    offers.reserve(std::size_t(total));
    for (int i = 0; i < total; ++i)
        offers.push_back(makeOffer(keyword, i, owner));
    return offers;
}

std::optional<Offer> offerAt(const std::string& keyword, int index, int pageSize, int slot)
{
    if (index < 0 || index >= offerCount(keyword, pageSize))
        return std::nullopt;
    return makeOffer(keyword, index, slot > 0 ? slot : homeSlot(keyword));
}

std::int64_t currentPriceCents(const Offer& offer, ServiceDay day)
{
    const std::uint64_t product = stableHash(offer.cph);
    const std::int64_t fixedPhase = std::int64_t(product % LongestSteadyDays);
    // Walks back to the day the price was last set: one hash per day, and at most LongestSteadyDays of them,
    // so a page of MaxPageSize offers stays cheap.
    std::int64_t set = std::int64_t(day);
    std::uint64_t h = dayHash(product, set);
    while (h % 100 >= PriceMovesPerHundred && floorMod(set + fixedPhase, LongestSteadyDays) != 0)
        h = dayHash(product, --set);
    const std::int64_t percent = 85 + std::int64_t((h >> 32) % 31); // 85 .. 115
    std::int64_t cents = offer.priceCents * percent / 100;
    if (offer.wholePrice)
        cents -= cents % 100;
    return std::max<std::int64_t>(cents, 100);
}

} // namespace vorbel::service
