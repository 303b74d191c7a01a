#include "service/ReferenceService.h"

#include "service/FavouriteStore.h"
#include "service/OfferNumbers.h"
#include "service/Pages.h"
#include "service/ServiceClock.h"
#include "service/TextEncoding.h"

#include <algorithm>
#include <filesystem>
#include <httplib.h>
#include <sys/socket.h>

namespace vorbel::service {

namespace {

// Idle keep-alive connections hold a server thread each; a short timeout and a roomy pool keep a client
// with several parallel connections from waiting on another's idle one.
constexpr std::size_t ServerThreads = 24;
constexpr time_t KeepAliveSeconds = 2;

} // namespace

std::optional<Fault> parseFault(const std::string& name)
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
        return std::nullopt;
    return found->second;
}

ReferenceService::ReferenceService(ServiceOptions options)
    : m_options(std::move(options)), m_clockShift(0), m_random(std::random_device{}())
{
    if (m_options.clockStart)
        m_clockShift = *m_options.clockStart - baseNow();
    m_options.pageSize = std::clamp(m_options.pageSize, 0, MaxPageSize);
    const std::filesystem::path folder(m_options.dataDir);
    const bool kept = !m_options.dataDir.empty();
    m_favourites =
        std::make_unique<FavouriteStore>(kept ? (folder / "favourites.txt").string() : std::string());
    m_numbers =
        std::make_unique<OfferNumbers>(kept ? (folder / "offer-numbers.txt").string() : std::string());
}

ReferenceService::~ReferenceService()
{
    stop();
}

bool ReferenceService::openData()
{
    if (m_dataOpen)
        return true;
    if (!m_options.dataDir.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(m_options.dataDir, failure);
        if (failure) {
            m_error = "cannot create " + m_options.dataDir + ": " + failure.message();
            return false;
        }
    }
    m_dataOpen = m_favourites->load(m_error) && m_numbers->load(m_error);
    return m_dataOpen;
}

bool ReferenceService::start()
{
    if (running())
        return true;
    m_error.clear();
    if (!openData())
        return false;
    m_server = std::make_unique<httplib::Server>();
    // httplib owns and deletes the queue it is handed.
    m_server->new_task_queue = [] { return new httplib::ThreadPool(ServerThreads); };
    m_server->set_keep_alive_timeout(KeepAliveSeconds);
    // Headers and body go out in separate writes; without this the body of every answer after the
    // first on a connection waits for the client's delayed acknowledgement (about 40 ms).
    m_server->set_tcp_nodelay(true);
    // httplib's default SO_REUSEPORT would let a second service share the port and split the clients
    // between two sets of favourites; SO_REUSEADDR alone still allows a quick restart.
    m_server->set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    route();
    const int bound = m_options.port == 0
                          ? m_server->bind_to_any_port(m_options.host)
                          : (m_server->bind_to_port(m_options.host, m_options.port) ? m_options.port : -1);
    if (bound <= 0) {
        m_error = "cannot listen on " + m_options.host + ":" + std::to_string(m_options.port);
        m_server.reset();
        return false;
    }
    m_port = bound;
    {
        std::lock_guard lock(m_waitMutex);
        m_stopping = false;
    }
    m_listenEnded = false;
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_listenEnded = true;
    });
    // stop() only reaches a server that has begun to listen.
    while (!m_server->is_running() && !m_listenEnded)
        std::this_thread::yield();
    if (m_listenEnded && !m_server->is_running()) {
        m_thread.join();
        m_server.reset();
        m_error = "cannot serve on " + m_options.host + ":" + std::to_string(m_port);
        return false;
    }
    return true;
}

void ReferenceService::stop()
{
    if (!running())
        return;
    {
        std::lock_guard lock(m_waitMutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_server->stop();
    m_thread.join();
    m_server.reset();
}

std::string ReferenceService::hostForUrl() const
{
    std::string host = m_options.host;
    if (host == "0.0.0.0" || host.empty())
        host = "127.0.0.1";
    else if (host == "::")
        host = "::1";
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    return host;
}

std::string ReferenceService::baseUrl() const
{
    return "http://" + hostForUrl() + ":" + std::to_string(m_port);
}

int ReferenceService::requestCount(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    int count = 0;
    for (auto it = m_requests.lower_bound(path); it != m_requests.end(); ++it) {
        const std::string& seen = it->first;
        if (seen.compare(0, path.size(), path) != 0)
            break;
        if (seen.size() == path.size() || seen[path.size()] == '/')
            count += it->second;
    }
    return count;
}

std::int64_t ReferenceService::baseNow() const
{
    return m_options.clock ? m_options.clock() : systemSeconds();
}

std::int64_t ReferenceService::now() const
{
    return baseNow() + m_clockShift;
}

bool ReferenceService::pause(int milliseconds)
{
    if (milliseconds <= 0)
        return true;
    if (m_options.pause) {
        m_options.pause(std::chrono::milliseconds(milliseconds));
        std::lock_guard lock(m_waitMutex);
        return !m_stopping;
    }
    std::unique_lock lock(m_waitMutex);
    ++m_waiting;
    const bool stopped =
        m_wake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_stopping; });
    --m_waiting;
    return !stopped;
}

PageOptions ReferenceService::pageOptions(const httplib::Request& request) const
{
    // Pages point at the address the client used, so they work behind any name or forwarded port; a Host
    // header that could break the markup is not trusted.
    std::string host = request.get_header_value("Host");
    const bool safe =
        !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' ||
                   c == '[' || c == ']';
        });
    if (!safe)
        host = hostForUrl() + ":" + std::to_string(m_port);
    return PageOptions{"http://" + host, m_options.utf8 ? "utf-8" : "gbk", has(Fault::BadNumber),
                       has(Fault::NoTable)};
}

void ReferenceService::route()
{
    m_server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        // The clock is the demo's and the tests' control, not part of the shops' service: it answers at
        // once whatever the service is told to show.
        if (request.path == "/clock")
            return httplib::Server::HandlerResponse::Unhandled;
        if (!pause(m_options.latencyMs)) {
            response.status = 503;
            return httplib::Server::HandlerResponse::Handled;
        }
        if (has(Fault::Http500)) {
            response.status = 500;
            response.set_content("<html><body>500 Internal Server Error</body></html>\n", "text/html");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // Counted once the answer is ready, so a test that sees the count also sees the request's effect.
    m_server->set_post_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        std::lock_guard lock(m_mutex);
        ++m_requests[request.path];
    });
    routePages();
    routePictures();
}

void ReferenceService::sendPage(httplib::Response& response, const std::string& utf8Markup, int status)
{
    response.status = status;
    if (m_options.utf8)
        sendBody(response, validUtf8(utf8Markup), "text/html; charset=utf-8");
    else
        sendBody(response, toGb18030(utf8Markup), "text/html; charset=gbk");
}

void ReferenceService::sendBody(httplib::Response& response, std::string body, const std::string& type)
{
    if (has(Fault::HalfBody))
        sendHalf(response, std::move(body), type);
    else if (has(Fault::Drip))
        sendDripping(response, std::move(body), type);
    else
        sendWhole(response, std::move(body), type);
}

void ReferenceService::sendWhole(httplib::Response& response, std::string body, const std::string& type)
{
    // httplib compresses a text body with brotli at its highest quality whenever the client accepts it,
    // which Qt's network stack does and curl and Chromium (over plain http) do not: most of a second of
    // the service's time for a page of 1,000 offers, on a connection that gains nothing from it. A body
    // of known size given through a provider goes out as it is, so every client gets the same bytes.
    if (body.empty())
        return response.set_content(std::move(body), type);
    auto whole = std::make_shared<std::string>(std::move(body));
    response.set_content_provider(whole->size(), type,
                                  [whole](std::size_t offset, std::size_t left, httplib::DataSink& sink) {
                                      return sink.write(whole->data() + offset, left);
                                  });
}

void ReferenceService::sendHalf(httplib::Response& response, std::string body, const std::string& type)
{
    struct Cut
    {
        std::string body;
        bool sent = false;
    };
    auto cut = std::make_shared<Cut>(Cut{std::move(body)});
    response.set_content_provider(cut->body.size(), type,
                                  [cut](std::size_t, std::size_t, httplib::DataSink& sink) {
                                      if (cut->sent || cut->body.size() < 2)
                                          return false; // httplib drops the connection here
                                      cut->sent = true;
                                      return sink.write(cut->body.data(), cut->body.size() / 2);
                                  });
}

void ReferenceService::sendDripping(httplib::Response& response, std::string body, const std::string& type)
{
    struct Drip
    {
        std::string body;
        int steps = 0;
    };
    auto drip = std::make_shared<Drip>(Drip{std::move(body)});
    const int interval = std::max(0, m_options.dripIntervalMs);
    const int slowSteps = interval > 0 ? std::max(1, m_options.dripLimitMs / interval) : 0;
    const std::size_t stepBytes = std::size_t(std::max(1, m_options.dripBytes));
    response.set_content_provider(drip->body.size(), type,
                                  [this, drip, interval, slowSteps,
                                   stepBytes](std::size_t offset, std::size_t left, httplib::DataSink& sink) {
                                      if (drip->steps >= slowSteps)
                                          return sink.write(drip->body.data() + offset, left);
                                      ++drip->steps;
                                      if (!pause(interval))
                                          return false;
                                      return sink.write(drip->body.data() + offset,
                                                        std::min(stepBytes, left));
                                  });
}

} // namespace vorbel::service
