#include "service/Pages.h"

namespace vorbel::service {

namespace {

std::string head(const std::string& title, const PageOptions& options)
{
    return "<html>\n<head><meta charset=\"" + options.charset + "\"><title>" + escapeMarkup(title) +
           "</title></head>\n";
}

void cell(std::string& out, const std::string& value)
{
    out += "<td>";
    out += escapeMarkup(value);
    out += "</td>\n";
}

std::string pictureUrl(const PageOptions& options, const std::string& cph, bool large)
{
    return options.pictureBase + "/pic/" + cph + (large ? "_dtp.jpg" : ".jpg");
}

} // namespace

std::string escapeMarkup(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string homePage(const PageOptions& options)
{
    return head("Vorbel 网购比价搜索", options) +
           "<body>\n<h1>Vorbel "
           "网购比价搜索服务</"
           "h1>\n<p>淘宝网、天猫商城、京东商城、亚马逊、当当网、苏宁易购、1号店的商品比价。</p>\n"
           "</body>\n</html>\n";
}

std::string identityPage(const std::string& identity, const PageOptions& options)
{
    // The identity stands alone after the body's start tag, on that tag's line.
    return head("RandomUser", options) + "<body>" + identity + "\n</body>\n</html>\n";
}

std::string versionPage(const PageOptions& options)
{
    return head("Vorbel", options) +
           "<body>\n<p>Vorbel 版本通知</p>\nAAA=mm_31415926_2718_1618BBB=88024CCC=\n</body>\n</html>\n";
}

std::string resultPage(const std::string& keyword, const std::vector<Offer>& offers,
                       const std::vector<bool>& collected, const PageOptions& options)
{
    std::string out = head(keyword + " - 比价结果", options);
    out.reserve(out.size() + offers.size() * 700);
    out += "<body>\n";
    if (options.noTable) {
        out += "<p>服务暂时不可用</p>\n</body>\n</html>\n";
        return out;
    }
    out += "<table>\n";
    for (size_t i = 0; i < offers.size(); ++i) {
        const Offer& offer = offers[i];
        out += "<tr>\n";
        const bool broken = options.badNumber && i == offers.size() / 2;
        cell(out, broken ? std::to_string(offer.bh) + "a" : std::to_string(offer.bh));
        cell(out, offer.cph);
        cell(out, offer.name);
        cell(out, pictureUrl(options, offer.cph, false));
        cell(out, pictureUrl(options, offer.cph, true));
        cell(out, std::to_string(offer.count));
        cell(out, formatPrice(offer.priceCents, offer.wholePrice));
        cell(out, offer.link);
        cell(out, offer.shop);
        cell(out, offer.listedAt);
        cell(out, offer.promotion);
        out += "<td></td>\n";
        cell(out, collected[i] ? "Yes" : "No");
        out += "</tr>\n";
    }
    out += "</table>\n</body>\n</html>\n";
    return out;
}

std::string favouritesPage(const std::vector<Favourite>& favourites, std::int64_t nowSeconds,
                           const PageOptions& options)
{
    std::string out = head("我的收藏", options) + "<body>\n<table>\n<tr>\n";
    for (const char* title : {"序列", "用户", "收藏号", "商品号", "商品名称", "小图", "大图", "收藏时间",
                              "收藏价格", "更新价格", "链接", "商家"})
        cell(out, title);
    out += "</tr>\n";
    for (const Favourite& f : favourites) {
        const Offer& o = f.offer;
        out += "<tr>\n";
        cell(out, std::to_string(f.ufid));
        cell(out, f.user);
        cell(out, std::to_string(o.bh));
        cell(out, o.cph);
        cell(out, o.name);
        cell(out, pictureUrl(options, o.cph, false));
        cell(out, pictureUrl(options, o.cph, true));
        cell(out, f.collectedAt);
        cell(out, formatPrice(f.collectedCents, o.wholePrice));
        cell(out, formatPrice(currentPriceCents(o, nowSeconds), o.wholePrice));
        cell(out, o.link);
        cell(out, o.shop);
        out += "</tr>\n";
    }
    out += "</table>\n</body>\n</html>\n";
    return out;
}

std::string shortPage(const std::string& text, const PageOptions& options)
{
    return head("Vorbel", options) + "<body>\n<p>" + escapeMarkup(text) + "</p>\n</body>\n</html>\n";
}

} // namespace vorbel::service
