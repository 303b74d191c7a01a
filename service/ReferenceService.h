#pragma once

#include "service/Catalogue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
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

/// Faults the service can be told to show, one switch each.
enum class Fault
{
    Http500,
    HalfBody,
    Drip,
    BadNumber,
    HugePicture,
    CorruptJpeg,
    PictureRedirect,
    NoTable
};

/// Fault names as the command line spells them ("http500", "half-body", ...); false for an unknown name.
bool parseFault(const std::string& name, Fault& fault);

struct ServiceOptions
{
    std::string host = "127.0.0.1";
    int port = 8410;     ///< 0: any free port
    std::string dataDir; ///< where favourites persist; in memory when empty
    int pageSize = 0;    ///< a fixed number of offers per result page (at most 10,000)
    bool utf8 = false;   ///< pages in UTF-8 instead of GBK
    int latencyMs = 0;   ///< wait before every answer
    std::set<Fault> faults;
    std::function<std::int64_t()> clock; ///< seconds since the epoch; the system clock when empty
};

/// The search service and the update host in one HTTP server on its own thread.
class ReferenceService
{
public:
    explicit ReferenceService(ServiceOptions options);
    ~ReferenceService();

    /// Binds and starts serving; false when the address cannot be bound.
    bool start();
    void stop();
    int port() const { return m_port; }
    std::string baseUrl() const;
    /// Blocks until stop() is called from elsewhere (the command-line program).
    void wait();

    /// Requests served so far whose path starts with the prefix.
    int requestCount(const std::string& pathPrefix) const;

private:
    void route();
    void serveResultPage(const httplib::Request& request, httplib::Response& response);
    void serveFavourites(const httplib::Request& request, httplib::Response& response);
    void serveOpFav(const httplib::Request& request, httplib::Response& response);
    void servePicture(const httplib::Request& request, httplib::Response& response);
    void sendPage(httplib::Response& response, const std::string& utf8Markup);
    std::int64_t now() const;
    bool has(Fault fault) const { return m_options.faults.count(fault) > 0; }
    std::string pictureBase(const httplib::Request& request) const;

    ServiceOptions m_options;
    std::unique_ptr<httplib::Server> m_server;
    std::unique_ptr<FavouriteStore> m_favourites;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::map<int, Offer> m_served;              // offers by number, as pages listed them
    std::map<std::string, std::string> m_jpegs; // encoded pictures by file name
    std::map<std::string, int> m_requests;
};

} // namespace vorbel::service
