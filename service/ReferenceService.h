#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace vorbel::service {

class FavouriteStore;
class OfferNumbers;
struct PageOptions;

/// Faults the service can be told to show, one switch each.
enum class Fault
{
    Http500,         ///< every answer but the clock's is "500 Internal Server Error"
    HalfBody,        ///< the full Content-Length is announced, the connection closes half way
    Drip,            ///< bodies trickle out a few bytes at a time for a while
    BadNumber,       ///< one offer in the middle of a result page has an offer number that is not a number
    HugePicture,     ///< pictures claim 20000 × 20000 pixels; large pictures also weigh 40 MiB
    CorruptJpeg,     ///< pictures are garbage behind a JPEG marker
    PictureRedirect, ///< picture addresses answer 302 to another address
    NoTable          ///< result pages come without their table
};

/// The fault a command-line name stands for ("http500", "half-body", "drip", "bad-number",
/// "huge-picture", "corrupt-jpeg", "picture-redirect", "no-table").
std::optional<Fault> parseFault(const std::string& name);

struct ServiceOptions
{
    std::string host = "127.0.0.1";
    int port = 8410;     ///< 0: any free port, see ReferenceService::port()
    std::string dataDir; ///< where favourites persist; in memory when empty
    int pageSize = 0;    ///< a fixed number of offers per result page (at most MaxPageSize)
    bool utf8 = false;   ///< pages in UTF-8 instead of GBK
    int latencyMs = 0;   ///< wait before every answer
    std::set<Fault> faults;
    std::function<std::int64_t()> clock; ///< seconds since the epoch; the system clock when empty
    /// A service clock that reads this (seconds since the epoch) when the service is made and runs on with
    /// `clock`; it also opens GET /clock, which moves it on by days. The service runs on `clock` when unset.
    std::optional<std::int64_t> clockStart;
    int dripBytes = 16;       ///< drip fault: bytes per step
    int dripIntervalMs = 200; ///< drip fault: wait before each step
    int dripLimitMs = 4000;   ///< drip fault: after this much waiting the rest goes at once
    /// Takes the place of the service's own waits (latency, drip) when set; it runs on server threads.
    std::function<void(std::chrono::milliseconds)> pause;
};

/// The search service and the update host in one HTTP server on its own threads.
class ReferenceService
{
public:
    explicit ReferenceService(ServiceOptions options);
    ~ReferenceService();
    ReferenceService(const ReferenceService&) = delete;
    ReferenceService& operator=(const ReferenceService&) = delete;

    /// Opens the data folder, binds and starts serving; false with error() set when it cannot. Serving
    /// again after stop() keeps the favourites.
    bool start();
    /// Stops serving, cutting short any latency or drip wait; the port is free when it returns.
    void stop();
    bool running() const { return m_thread.joinable(); }
    /// The port bound (also when the options asked for port 0).
    int port() const { return m_port; }
    /// "http://host:port" of the running service.
    std::string baseUrl() const;
    std::string error() const { return m_error; }

    /// Requests answered so far for a path, or for every path below it ("/pic" counts all pictures).
    int requestCount(const std::string& path) const;
    /// Answers held in a latency or drip wait right now.
    int waiting() const { return m_waiting; }

private:
    bool openData();
    void route();
    void routePages();
    void routePictures();
    void serveResultPage(const httplib::Request& request, httplib::Response& response);
    void serveFavourites(const httplib::Request& request, httplib::Response& response);
    void serveOpFav(const httplib::Request& request, httplib::Response& response);
    void serveShopPage(const httplib::Request& request, httplib::Response& response);
    void serveClock(const httplib::Request& request, httplib::Response& response);
    void servePicture(const std::string& name, const httplib::Request& request, httplib::Response& response,
                      bool faultsApply);
    void sendPage(httplib::Response& response, const std::string& utf8Markup, int status = 200);
    void sendBody(httplib::Response& response, std::string body, const std::string& type);
    void sendWhole(httplib::Response& response, std::string body, const std::string& type);
    void sendHalf(httplib::Response& response, std::string body, const std::string& type);
    void sendDripping(httplib::Response& response, std::string body, const std::string& type);
    std::string pictureBytes(const std::string& name);
    /// Waits, unless the service stops first; false when it stopped.
    bool pause(int milliseconds);
    std::int64_t now() const;
    std::int64_t baseNow() const;
    bool has(Fault fault) const { return m_options.faults.count(fault) > 0; }
    PageOptions pageOptions(const httplib::Request& request) const;
    std::string hostForUrl() const;
    std::string newIdentity();

    ServiceOptions m_options;
    std::unique_ptr<FavouriteStore> m_favourites;
    std::unique_ptr<OfferNumbers> m_numbers;
    bool m_dataOpen = false;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_listenEnded{false};
    int m_port = 0;
    std::string m_error;

    std::mutex m_waitMutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::atomic<int> m_waiting{0};

    std::mutex m_clockMutex;                // one clock advance at a time
    std::atomic<std::int64_t> m_clockShift; // the service clock less the base clock

    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_jpegs; // encoded pictures by file name
    std::map<std::string, int> m_requests;
    std::mt19937_64 m_random;
};

} // namespace vorbel::service
