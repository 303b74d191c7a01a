#include "service/ReferenceService.h"

#include "service/FavouriteStore.h"
#include "service/Pages.h"
#include "service/Pictures.h"

#include <chrono>
#include <ctime>
#include <httplib.h>
#include <iconv.h>
#include <random>

namespace vorbel::service {

namespace {

constexpr int MaxPageSize = 10000;
constexpr int SmallPicture = 100;
constexpr int LargePicture = 350;

std::string toGbk(const std::string& utf8)
{
    iconv_t converter = iconv_open("GB18030", "UTF-8");
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* target = out.data();
    size_t outLeft = out.size();
    iconv(converter, &in, &inLeft, &target, &outLeft);
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

std::string newIdentity()
{
    static std::mt19937_64 random{std::random_device{}()};
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    char text[24];
    std::snprintf(text, sizeof text, "U%012llx",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    return text;
}

std::string timeText(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    localtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

/// A small JPEG whose frame header claims 20000 × 20000 pixels, padded past 20 MiB.
std::string hugeJpeg()
{
    std::string bytes = plainJpeg(16, 16);
    const size_t frame = bytes.find("\xFF\xC0");
    if (frame != std::string::npos && frame + 9 < bytes.size()) {
        bytes[frame + 5] = bytes[frame + 7] = char(20000 >> 8);
        bytes[frame + 6] = bytes[frame + 8] = char(20000 & 0xFF);
    }
    bytes.append(std::string(20 * 1024 * 1024, '\0'));
    return bytes;
}

} // namespace

bool parseFault(const std::string& name, Fault& fault)
{
    static const std::map<std::string, Fault> names{{"http500", Fault::Http500},
                                                    {"half-body", Fault::HalfBody},
                                                    {"drip", Fault::Drip},
                                                    {"bad-number", Fault::BadNumber},
                                                    {"huge-picture", Fault::HugePicture},
                                                    {"corrupt-jpeg", Fault::CorruptJpeg},
                                                    {"picture-redirect", Fault::PictureRedirect},
                                                    {"no-table", Fault::NoTable}};
    const auto found = names.find(name);
    if (found == names.end())
        return false;
    fault = found->second;
    return true;
}

ReferenceService::ReferenceService(ServiceOptions options)
    : m_options(std::move(options)), m_server(std::make_unique<httplib::Server>()),
      m_favourites(std::make_unique<FavouriteStore>(m_options.dataDir))
{
    m_options.pageSize = std::min(m_options.pageSize, MaxPageSize);
    route();
}

ReferenceService::~ReferenceService()
{
    stop();
}

bool ReferenceService::start()
{
    if (m_options.port == 0) {
        m_port = m_server->bind_to_any_port(m_options.host.c_str());
        if (m_port <= 0)
            return false;
    } else if (m_server->bind_to_port(m_options.host.c_str(), m_options.port)) {
        m_port = m_options.port;
    } else {
        return false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void ReferenceService::stop()
{
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

void ReferenceService::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

std::string ReferenceService::baseUrl() const
{
    return "http://" + m_options.host + ":" + std::to_string(m_port);
}

int ReferenceService::requestCount(const std::string& pathPrefix) const
{
    std::lock_guard lock(m_mutex);
    int count = 0;
    for (const auto& [path, served] : m_requests)
        count += path.rfind(pathPrefix, 0) == 0 ? served : 0;
    return count;
}

std::int64_t ReferenceService::now() const
{
    if (m_options.clock)
        return m_options.clock();
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string ReferenceService::pictureBase(const httplib::Request& request) const
{
    const std::string host = request.get_header_value("Host");
    return "http://" + (host.empty() ? m_options.host + ":" + std::to_string(m_port) : host);
}

void ReferenceService::sendPage(httplib::Response& response, const std::string& utf8Markup)
{
    std::string body = m_options.utf8 ? utf8Markup : toGbk(utf8Markup);
    const std::string type = m_options.utf8 ? "text/html; charset=utf-8" : "text/html; charset=gbk";
    if (has(Fault::HalfBody)) {
        auto shared = std::make_shared<std::string>(std::move(body));
        response.set_content_provider(shared->size(), type,
                                      [shared](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset > 0)
                                              return false; // the connection is dropped half way
                                          sink.write(shared->data(), shared->size() / 2);
                                          return true;
                                      });
    } else if (has(Fault::Drip)) {
        auto shared = std::make_shared<std::string>(std::move(body));
        response.set_content_provider(
            shared->size(), type, [shared](size_t offset, size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                sink.write(shared->data() + offset, std::min<size_t>(64, shared->size() - offset));
                return true;
            });
    } else {
        response.set_content(std::move(body), type);
    }
}

void ReferenceService::route()
{
    m_server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        {
            std::lock_guard lock(m_mutex);
            ++m_requests[request.path];
        }
        if (m_options.latencyMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_options.latencyMs));
        if (has(Fault::Http500)) {
            response.status = 500;
            response.set_content("<html><body>500 Internal Server Error</body></html>", "text/html");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto page = [this](const httplib::Request& request) {
        return PageOptions{pictureBase(request), m_options.utf8 ? "utf-8" : "gbk", has(Fault::BadNumber),
                           has(Fault::NoTable)};
    };
    m_server->Get("/", [this, page](const httplib::Request& q, httplib::Response& r) {
        sendPage(r, homePage(page(q)));
    });
    m_server->Get("/RandomUser.aspx", [this, page](const httplib::Request& q, httplib::Response& r) {
        sendPage(r, identityPage(newIdentity(), page(q)));
    });
    m_server->Get(R"(/Ver/Ver(\w+)\.html)", [this, page](const httplib::Request& q, httplib::Response& r) {
        sendPage(r, versionPage(page(q)));
    });
    m_server->Get("/ListAll.aspx",
                  [this](const httplib::Request& q, httplib::Response& r) { serveResultPage(q, r); });
    m_server->Get("/ListAllMyFav.aspx",
                  [this](const httplib::Request& q, httplib::Response& r) { serveFavourites(q, r); });
    m_server->Get("/OpFav.aspx",
                  [this](const httplib::Request& q, httplib::Response& r) { serveOpFav(q, r); });
    m_server->Get(R"(/pic/([A-Za-z0-9_]+)\.jpg)",
                  [this](const httplib::Request& q, httplib::Response& r) { servePicture(q, r); });
    m_server->Get("/moved-picture", [](const httplib::Request&, httplib::Response& r) {
        r.set_content("not a picture", "text/plain");
    });
}

void ReferenceService::serveResultPage(const httplib::Request& request, httplib::Response& response)
{
    const std::string keyword = request.get_param_value("word");
    const std::string user = request.get_param_value("u");
    const std::vector<Offer> offers =
        keyword.empty() ? std::vector<Offer>{} : offersFor(keyword, m_options.pageSize);
    std::vector<bool> collected;
    collected.reserve(offers.size());
    {
        std::lock_guard lock(m_mutex);
        for (const Offer& offer : offers)
            m_served[offer.bh] = offer;
    }
    for (const Offer& offer : offers)
        collected.push_back(!user.empty() && m_favourites->collected(user, offer.bh));
    sendPage(response, resultPage(keyword, offers, collected,
                                  PageOptions{pictureBase(request), m_options.utf8 ? "utf-8" : "gbk",
                                              has(Fault::BadNumber), has(Fault::NoTable)}));
}

void ReferenceService::serveFavourites(const httplib::Request& request, httplib::Response& response)
{
    const std::string user = request.get_param_value("u");
    const bool dropsOnly = request.get_param_value("d") == "down";
    const std::int64_t at = now();
    std::vector<Favourite> listed = m_favourites->of(user);
    if (dropsOnly)
        std::erase_if(listed,
                      [&](const Favourite& f) { return currentPriceCents(f.offer, at) >= f.collectedCents; });
    sendPage(response,
             favouritesPage(listed, at, PageOptions{pictureBase(request), m_options.utf8 ? "utf-8" : "gbk"}));
}

void ReferenceService::serveOpFav(const httplib::Request& request, httplib::Response& response)
{
    const std::string user = request.get_param_value("u");
    const PageOptions options{pictureBase(request), m_options.utf8 ? "utf-8" : "gbk"};
    if (user.empty()) {
        sendPage(response, shortPage("缺少用户", options));
        return;
    }
    if (request.has_param("uf")) {
        const bool removed = m_favourites->remove(user, std::atoi(request.get_param_value("uf").c_str()));
        sendPage(response, shortPage(removed ? "删除收藏成功" : "没有这个收藏", options));
        return;
    }
    const int bh = std::atoi(request.get_param_value("i").c_str());
    Offer offer;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_served.find(bh);
        if (found == m_served.end()) {
            sendPage(response, shortPage("没有这个商品", options));
            return;
        }
        offer = found->second;
    }
    if (!m_favourites->collected(user, bh))
        m_favourites->add(user, offer, currentPriceCents(offer, now()), timeText(now()));
    sendPage(response, shortPage("收藏成功", options));
}

void ReferenceService::servePicture(const httplib::Request& request, httplib::Response& response)
{
    const std::string name = request.matches[1];
    if (has(Fault::PictureRedirect)) {
        response.set_redirect(pictureBase(request) + "/moved-picture");
        return;
    }
    if (has(Fault::CorruptJpeg)) {
        response.set_content(std::string("\xFF\xD8\xFF\xE0", 4) + std::string(2000, '\x5A'), "image/jpeg");
        return;
    }
    if (has(Fault::HugePicture)) {
        static const std::string huge = hugeJpeg();
        response.set_content(huge, "image/jpeg");
        return;
    }
    const bool large = name.size() > 4 && name.compare(name.size() - 4, 4, "_dtp") == 0;
    const std::string cph = large ? name.substr(0, name.size() - 4) : name;
    std::string bytes;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_jpegs.find(name);
        if (found != m_jpegs.end())
            bytes = found->second;
    }
    if (bytes.empty()) {
        bytes = productJpeg(cph, large ? LargePicture : SmallPicture);
        std::lock_guard lock(m_mutex);
        if (m_jpegs.size() > 20000)
            m_jpegs.clear();
        m_jpegs.emplace(name, bytes);
    }
    response.set_content(bytes, "image/jpeg");
}

} // namespace vorbel::service
