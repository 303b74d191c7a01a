#include "service/Catalogue.h"

#include <array>
#include <cstdio>

namespace vorbel::service {

namespace {

constexpr std::int64_t PriceStepSeconds = 180;

const std::array<const char*, 10> Adjectives{"新款",   "热卖", "官方旗舰", "限量版", "经典款",
                                             "升级版", "家用", "便携",     "豪华",   "特惠装"};
const std::array<const char*, 8> Promotions{"满99减10",   "包邮",     "限时折扣",      "赠送精美礼品",
                                            "第二件半价", "货到付款", "7天无理由退换", "积分翻倍"};
const std::array<int, 10> Counts{0, 3, 8, 10, 11, 45, 100, 101, 650, 1800};

std::string shopLink(const std::string& shop, std::uint64_t id)
{
    const std::string number = std::to_string(id % 100000000);
    if (shop == "淘宝网")
        return "http://item.taobao.com/item.htm?id=" + number + "&pid=mm_10011550_0_0&spm=a1z10";
    if (shop == "天猫商城")
        return "http://detail.tmall.com/item.htm?id=" + number +
               "&pid=mm_26632258_3504122_32538762&ali_trackid=2";
    if (shop == "京东商城")
        return "http://item.jd.com/" + number + ".html?unionId=10027&t=1";
    if (shop == "亚马逊")
        return "http://www.amazon.cn/dp/B" + number + "?unionId=20019&tag=vorbel";
    if (shop == "当当网")
        return "http://product.dangdang.com/" + number + ".html?unionId=30001&from=P";
    if (shop == "苏宁易购")
        return "http://product.suning.com/" + number + ".html?unionId=40007&utm=1";
    return "http://item.yhd.com/item/" + number + "?unionId=50013&tp=1";
}

std::string productName(const std::string& keyword, std::uint64_t h, int index)
{
    std::string name;
    if (h % 3 == 0)
        name += "正品 ";
    name += keyword + " " + Adjectives[(h >> 8) % Adjectives.size()];
    name += " " + std::string(1, char('A' + (h >> 16) % 26)) + std::to_string(100 + index * 7 + int(h % 90));
    return name;
}

} // namespace

const std::vector<std::string>& shopNames()
{
    static const std::vector<std::string> names{"淘宝网", "天猫商城", "京东商城", "亚马逊",
                                                "当当网", "苏宁易购", "1号店"};
    return names;
}

std::uint64_t stableHash(const std::string& text)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
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

std::vector<Offer> offersFor(const std::string& keyword, int pageSize)
{
    const std::uint64_t seed = stableHash(keyword);
    const int total = pageSize > 0 ? pageSize : 20 + int(seed % 41);
    const std::int64_t basePrice = 990 + std::int64_t(seed % 400000);
    std::vector<Offer> offers;
    offers.reserve(total);
    for (int i = 0; i < total; ++i) {
        const std::uint64_t h = stableHash(keyword + "#" + std::to_string(i));
        Offer offer;
        offer.bh = int(100000 + (seed % 90000) * 10000 + i);
        char id[32];
        std::snprintf(id, sizeof id, "P%012llx", static_cast<unsigned long long>(h & 0xFFFFFFFFFFFFull));
        offer.cph = id;
        offer.shop = shopNames()[(seed + i) % shopNames().size()];
        offer.name = productName(keyword, h, i);
        offer.promotion = Promotions[(h >> 24) % Promotions.size()];
        offer.link = shopLink(offer.shop, h >> 4);
        offer.count = Counts[(h >> 32) % Counts.size()] + int((h >> 40) % 7);
        offer.priceCents = basePrice * (70 + std::int64_t((h >> 12) % 60)) / 100;
        offer.wholePrice = (h >> 20) % 2 == 0;
        if (offer.wholePrice)
            offer.priceCents -= offer.priceCents % 100;
        char listed[32];
        std::snprintf(listed, sizeof listed, "2026-12-%02d %02d:%02d", int(1 + h % 7), int((h >> 6) % 24),
                      int((h >> 11) % 60));
        offer.listedAt = listed;
        offers.push_back(std::move(offer));
    }
    return offers;
}

std::int64_t currentPriceCents(const Offer& offer, std::int64_t nowSeconds)
{
    const std::int64_t step = nowSeconds / PriceStepSeconds;
    const std::uint64_t h = stableHash(offer.cph + "@" + std::to_string(step));
    const std::int64_t percent = 85 + std::int64_t(h % 31); // 85 .. 115
    std::int64_t cents = offer.priceCents * percent / 100;
    if (offer.wholePrice)
        cents -= cents % 100;
    return cents;
}

} // namespace vorbel::service
