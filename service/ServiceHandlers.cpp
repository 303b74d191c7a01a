// The answers of the reference service, one handler per page of the service and the update host.
#include "service/ReferenceService.h"

#include "service/FavouriteStore.h"
#include "service/OfferNumbers.h"
#include "service/Pages.h"
#include "service/Pictures.h"
#include "service/ServiceClock.h"
#include "service/TextEncoding.h"

#include <algorithm>
#include <httplib.h>

namespace vorbel::service {

namespace {

constexpr int SmallPicture = 100;
constexpr int LargePicture = 350;
constexpr int HugeClaim = 20000;
constexpr std::size_t HugeBytes = 40u * 1024 * 1024;
constexpr std::size_t PictureCacheEntries = 4000;

/// A query value as text safe for a page.
std::string param(const httplib::Request& request, const char* key)
{
    return cleanText(request.get_param_value(key));
}

/// A whole number that fits an int, or nothing.
std::optional<int> wholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const long long value = std::stoll(text);
    if (value > 0x7FFFFFFF)
        return std::nullopt;
    return int(value);
}

bool isLoopback(const std::string& address)
{
    return address.rfind("127.", 0) == 0 || address == "::1" || address.rfind("::ffff:127.", 0) == 0;
}

bool isLarge(const std::string& name)
{
    return name.size() > 4 && name.compare(name.size() - 4, 4, "_dtp") == 0;
}

} // namespace

std::string ReferenceService::newIdentity()
{
    std::lock_guard lock(m_mutex);
    char text[24];
    std::snprintf(text, sizeof text, "U%012llx",
                  static_cast<unsigned long long>(m_random() & 0xFFFFFFFFFFFFull));
    return text;
}

void ReferenceService::routePages()
{
    m_server->Get("/", [this](const httplib::Request& q, httplib::Response& r) {
        sendPage(r, homePage(pageOptions(q)));
    });
    m_server->Get("/RandomUser.aspx", [this](const httplib::Request& q, httplib::Response& r) {
        sendPage(r, identityPage(newIdentity(), pageOptions(q)));
    });
    m_server->Get(R"(/Ver/Ver[^/]+\.html)", [this](const httplib::Request& q, httplib::Response& r) {
        sendPage(r, versionPage(pageOptions(q)));
    });
    m_server->Get("/ListAll.aspx",
                  [this](const httplib::Request& q, httplib::Response& r) { serveResultPage(q, r); });
    m_server->Get("/ListAllMyFav.aspx",
                  [this](const httplib::Request& q, httplib::Response& r) { serveFavourites(q, r); });
    m_server->Get("/OpFav.aspx",
                  [this](const httplib::Request& q, httplib::Response& r) { serveOpFav(q, r); });
    m_server->Get(R"(/shop/[a-z]+/item\.htm)",
                  [this](const httplib::Request& q, httplib::Response& r) { serveShopPage(q, r); });
    if (m_options.clockStart)
        m_server->Get("/clock",
                      [this](const httplib::Request& q, httplib::Response& r) { serveClock(q, r); });
}

void ReferenceService::routePictures()
{
    m_server->Get(
        R"(/pic/([A-Za-z0-9_]{1,64})\.jpg)",
        [this](const httplib::Request& q, httplib::Response& r) { servePicture(q.matches[1], q, r, true); });
    // Where the redirect fault sends pictures: the real picture, under another address.
    m_server->Get(
        R"(/moved/pic/([A-Za-z0-9_]{1,64})\.jpg)",
        [this](const httplib::Request& q, httplib::Response& r) { servePicture(q.matches[1], q, r, false); });
}

void ReferenceService::serveResultPage(const httplib::Request& request, httplib::Response& response)
{
    const std::string keyword = param(request, "word");
    const std::string user = param(request, "u");
    const int slot = keyword.empty() ? 0 : m_numbers->slotFor(keyword);
    const std::vector<Offer> offers = offersFor(keyword, m_options.pageSize, slot);
    const std::set<int> collected = user.empty() ? std::set<int>{} : m_favourites->collectedOffers(user);
    PageOptions options = pageOptions(request);
    options.showPictures = request.get_param_value("view") == "pictures";
    sendPage(response, resultPage(keyword, offers, now(), collected, options));
}

void ReferenceService::serveFavourites(const httplib::Request& request, httplib::Response& response)
{
    const std::string user = param(request, "u");
    const std::int64_t at = now();
    const ServiceDay today = serviceDay(at);
    std::vector<Favourite> listed = user.empty() ? std::vector<Favourite>{} : m_favourites->of(user);
    if (request.get_param_value("d") == "down")
        std::erase_if(listed, [&](const Favourite& f) {
            return currentPriceCents(f.offer, today) >= f.collectedCents;
        });
    sendPage(response, favouritesPage(listed, at, pageOptions(request)));
}

void ReferenceService::serveOpFav(const httplib::Request& request, httplib::Response& response)
{
    const PageOptions options = pageOptions(request);
    const std::string user = param(request, "u");
    if (user.empty())
        return sendPage(response, shortPage("缺少用户标识", options), 400);
    using Outcome = FavouriteStore::Outcome;
    if (request.has_param("uf")) {
        const std::optional<int> ufid = wholeNumber(request.get_param_value("uf"));
        const Outcome outcome = ufid ? m_favourites->remove(user, *ufid) : Outcome::Unchanged;
        if (outcome == Outcome::NotSaved)
            return sendPage(response, shortPage("删除收藏失败", options), 500);
        return sendPage(response,
                        shortPage(outcome == Outcome::Done ? "删除收藏成功" : "没有这条收藏", options));
    }
    const std::optional<int> bh = wholeNumber(request.get_param_value("i"));
    const std::optional<Offer> offer = bh ? m_numbers->offer(*bh, m_options.pageSize) : std::nullopt;
    if (!offer)
        return sendPage(response, shortPage("没有这个商品", options), 404);
    const std::int64_t at = now();
    switch (m_favourites->add(user, *offer, currentPriceCents(*offer, serviceDay(at)), localTimeText(at))) {
    case Outcome::Done:
        return sendPage(response, shortPage("收藏成功", options));
    case Outcome::Unchanged:
        return sendPage(response, shortPage("已经收藏过这个商品", options));
    case Outcome::NotSaved:
        return sendPage(response, shortPage("收藏失败", options), 500);
    }
}

void ReferenceService::serveShopPage(const httplib::Request& request, httplib::Response& response)
{
    const std::optional<int> bh = wholeNumber(request.get_param_value("id"));
    const std::optional<Offer> offer = bh ? m_numbers->offer(*bh, m_options.pageSize) : std::nullopt;
    if (!offer)
        return sendPage(response, shortPage("没有这个商品", pageOptions(request)), 404);
    sendPage(response, shopPage(*offer, currentPriceCents(*offer, serviceDay(now())), param(request, "pid"),
                                param(request, "unionId"), pageOptions(request)));
}

void ReferenceService::serveClock(const httplib::Request& request, httplib::Response& response)
{
    if (!isLoopback(request.remote_addr)) {
        response.status = 403;
        return response.set_content("the clock is moved from this computer only\n", "text/plain");
    }
    std::optional<int> days;
    if (request.has_param("advance"))
        days = parseDayCount(request.get_param_value("advance"), true);
    else if (request.has_param("days"))
        days = parseDayCount(request.get_param_value("days"), false);
    else
        days = 0;
    if (!days) {
        response.status = 400;
        return response.set_content(
            "advance=Nd or days=N, N from 1 to " + std::to_string(MaxClockDays) + "\n", "text/plain");
    }
    std::int64_t at = 0;
    {
        std::lock_guard lock(m_clockMutex);
        at = now();
        if (*days > 0) {
            const std::int64_t later = daysLater(at, *days);
            m_clockShift += later - at;
            at = later;
        }
    }
    response.set_content(localTimeText(at) + "\n", "text/plain; charset=utf-8");
}

void ReferenceService::servePicture(const std::string& name, const httplib::Request& request,
                                    httplib::Response& response, bool faultsApply)
{
    if (faultsApply && has(Fault::PictureRedirect)) {
        response.set_redirect(pageOptions(request).base + "/moved/pic/" + name + ".jpg");
        return;
    }
    if (faultsApply && has(Fault::CorruptJpeg))
        return sendBody(response, corruptJpeg(name), "image/jpeg");
    if (faultsApply && has(Fault::HugePicture)) {
        std::string bytes = jpegClaimingSize(HugeClaim, HugeClaim);
        if (isLarge(name))
            bytes.resize(HugeBytes, '\0');
        return sendBody(response, std::move(bytes), "image/jpeg");
    }
    sendBody(response, pictureBytes(name), "image/jpeg");
}

std::string ReferenceService::pictureBytes(const std::string& name)
{
    {
        std::lock_guard lock(m_mutex);
        if (const auto found = m_jpegs.find(name); found != m_jpegs.end())
            return found->second;
    }
    const bool large = isLarge(name);
    std::string bytes =
        productJpeg(large ? name.substr(0, name.size() - 4) : name, large ? LargePicture : SmallPicture);
    std::lock_guard lock(m_mutex);
    if (m_jpegs.size() >= PictureCacheEntries)
        m_jpegs.clear();
    m_jpegs.emplace(name, bytes);
    return bytes;
}

} // namespace vorbel::service
