#include "service/Pages.h"

#include "service/HotProducts.h"

#include <cstdio>

namespace vorbel::service {

namespace {

std::string head(const std::string& title, const PageOptions& options)
{
    return "<html>\n<head><meta charset=\"" + escapeMarkup(options.charset) + "\"><title>" +
           escapeMarkup(title) + "</title></head>\n";
}

const char* const Tail = "</body>\n</html>\n";

/// One cell on a line of its own, with no attributes: the client reads cells by line.
void cell(std::string& out, const std::string& value)
{
    out += "<td>";
    out += escapeMarkup(value);
    out += "</td>\n";
}

std::string pictureUrl(const PageOptions& options, const std::string& cph, bool large)
{
    return options.base + "/pic/" + cph + (large ? "_dtp.jpg" : ".jpg");
}

std::string percentEncoded(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
            c == '_' || c == '.') {
            out += char(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    return out;
}

void offerRow(std::string& out, const Offer& offer, const std::string& bhText, std::int64_t cents,
              bool collected, const PageOptions& options)
{
    out += "<tr>\n";
    cell(out, bhText);
    cell(out, offer.cph);
    cell(out, offer.name);
    if (options.showPictures)
        out +=
            "<td><img src=\"" + escapeMarkup(pictureUrl(options, offer.cph, false)) + "\" alt=\"\"></td>\n";
    else
        cell(out, pictureUrl(options, offer.cph, false));
    cell(out, pictureUrl(options, offer.cph, true));
    cell(out, std::to_string(offer.count));
    cell(out, formatPrice(cents, offer.wholePrice));
    cell(out, options.base + offer.linkPath);
    cell(out, offer.shop);
    cell(out, offer.listedAt);
    cell(out, offer.promotion);
    out += "<td></td>\n";
    cell(out, collected ? "Yes" : "No");
    out += "</tr>\n";
}

void favouriteRow(std::string& out, const Favourite& f, ServiceDay day, const PageOptions& options)
{
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
    cell(out, formatPrice(currentPriceCents(o, day), o.wholePrice));
    cell(out, options.base + o.linkPath);
    // The row ends on its last cell's line, so that every row takes exactly thirteen lines.
    out += "<td>" + escapeMarkup(o.shop) + "</td></tr>\n";
}

} // namespace

std::string escapeMarkup(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string homePage(const PageOptions& options)
{
    std::string out = head("Vorbel 网购比价搜索", options) + "<body>\n<h1>Vorbel 网购比价搜索服务</h1>\n";
    out += "<p>淘宝网、天猫商城、京东商城、亚马逊、当当网、苏宁易购、1号店的商品比价。</"
           "p>\n<p>热门搜索关键字：</p>\n<ul>\n";
    for (const std::string& keyword : hotKeywords())
        out += "<li><a href=\"/ListAll.aspx?word=" + percentEncoded(keyword) + "&amp;u=&amp;p=\">" +
               escapeMarkup(keyword) + "</a></li>\n";
    return out + "</ul>\n" + Tail;
}

std::string identityPage(const std::string& identity, const PageOptions& options)
{
    // The identity must end its line: the client takes the whole rest of the "<BODY>" line.
    return head("RandomUser", options) + "<body>" + escapeMarkup(identity) + "\n" + Tail;
}

std::string versionPage(const PageOptions& options)
{
    return head("Vorbel", options) + "<body>\n<p>Vorbel 版本通知：当前已是最新版本。</p>\n" +
           "AAA=mm_31415926_2718_1618BBB=88024CCC=\n" + Tail;
}

std::string resultPage(const std::string& keyword, const std::vector<Offer>& offers, std::int64_t nowSeconds,
                       const std::set<int>& collected, const PageOptions& options)
{
    std::string out = head(keyword + " - 比价结果", options) + "<body>\n";
    if (options.showPictures)
        out += "<script>addEventListener('load', () => { document.title = Math.round(performance.now()); "
               "});</script>\n";
    if (options.noTable)
        return out + "<p>比价服务正在维护，请稍后再试。</p>\n" + Tail;
    out.reserve(out.size() + offers.size() * 640 + 64);
    out += "<table>\n";
    const ServiceDay day = serviceDay(nowSeconds);
    for (std::size_t i = 0; i < offers.size(); ++i) {
        const Offer& offer = offers[i];
        const bool broken = options.badNumber && i == offers.size() / 2;
        offerRow(out, offer, std::to_string(offer.bh) + (broken ? "a" : ""), currentPriceCents(offer, day),
                 collected.count(offer.bh) > 0, options);
    }
    return out + "</table>\n" + Tail;
}

std::string favouritesPage(const std::vector<Favourite>& favourites, std::int64_t nowSeconds,
                           const PageOptions& options)
{
    std::string out = head("我的收藏", options) + "<body>\n<table>\n<tr>\n";
    for (const char* title : {"序列", "用户", "商品编号", "商品号", "商品名称", "小图", "大图", "收藏时间",
                              "收藏价格", "当前价格", "链接", "商家"})
        cell(out, title);
    out.insert(out.size() - 1, "</tr>");
    const ServiceDay day = serviceDay(nowSeconds);
    for (const Favourite& f : favourites)
        favouriteRow(out, f, day, options);
    return out + "</table>\n" + Tail;
}

std::string shopPage(const Offer& offer, std::int64_t priceCents, const std::string& pid,
                     const std::string& unionId, const PageOptions& options)
{
    std::string out = head(offer.name + " - " + offer.shop, options) + "<body>\n";
    out += "<h1>" + escapeMarkup(offer.shop) + "</h1>\n<h2>" + escapeMarkup(offer.name) + "</h2>\n";
    out += "<img src=\"" + escapeMarkup(pictureUrl(options, offer.cph, true)) + "\" alt=\"\">\n";
    out += "<p>价格：￥" + formatPrice(priceCents, offer.wholePrice) + "</p>\n";
    out += "<p>" + escapeMarkup(offer.promotion) + "</p>\n";
    if (!pid.empty())
        out += "<p>推广编号 pid：" + escapeMarkup(pid) + "</p>\n";
    if (!unionId.empty())
        out += "<p>联盟编号 unionId：" + escapeMarkup(unionId) + "</p>\n";
    return out + Tail;
}

std::string shortPage(const std::string& text, const PageOptions& options)
{
    return head("Vorbel", options) + "<body>\n<p>" + escapeMarkup(text) + "</p>\n" + Tail;
}

} // namespace vorbel::service
