#pragma once

// A loopback server with the routes the loader and downloader tests need, and a gate that holds
// chosen requests open until the test lets them go.

#include "testing/LocalServer.h"

#include <QUrl>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

namespace vorbel::test {

/// Holds requests until opened; counts how many are held at once.
class Gate
{
public:
    void hold()
    {
        std::unique_lock lock(m_mutex);
        m_peak = std::max(m_peak, ++m_waiting);
        m_changed.wait(lock, [this] { return m_open; });
        --m_waiting;
    }
    void open()
    {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }
    int waiting() const
    {
        std::lock_guard lock(m_mutex);
        return m_waiting;
    }
    int peak() const
    {
        std::lock_guard lock(m_mutex);
        return m_peak;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_waiting = 0;
    int m_peak = 0;
};

class TestServer
{
public:
    TestServer()
    {
        auto& routes = m_server.routes();
        routes.Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body><table><tr>\n<td>ok</td>\n</tr></table></body></html>",
                            "text/html; charset=utf-8");
        });
        routes.Get("/gbk", [](const httplib::Request&, httplib::Response& res) {
            // "<td>当当网</td>" in GBK
            res.set_content("<table><tr>\n<td>\xB5\xB1\xB5\xB1\xCD\xF8</td>\n</tr></table>",
                            "text/html; charset=GBK");
        });
        routes.Get("/error", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<html><body><table><tr>\n<td>server error</td>\n</tr></table></body></html>",
                            "text/html");
        });
        routes.Get("/moved",
                   [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page"); });
        routes.Get("/loop",
                   [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
        routes.Get("/redirect", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lock(m_mutex);
            res.set_redirect(m_redirectTarget);
        });
        routes.Get("/login", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "sid=42; Path=/");
            res.set_content("<body>in", "text/html");
        });
        routes.Get("/gated", [this](const httplib::Request&, httplib::Response& res) {
            m_gate.hold();
            res.set_content("<body>late", "text/html");
        });
        routes.Get("/pic.jpg", [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard lock(m_mutex);
                m_userAgent = req.get_header_value("User-Agent");
                m_accept = req.get_header_value("Accept");
                m_contentType = req.get_header_value("Content-Type");
                m_cookie = req.get_header_value("Cookie");
            }
            ++m_pictureRequests;
            res.set_content(picture(), "image/jpeg");
        });
        routes.Get("/gated.jpg", [this](const httplib::Request&, httplib::Response& res) {
            m_gate.hold();
            res.set_content(picture(), "image/jpeg");
        });
        routes.Get("/empty.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("", "image/jpeg");
        });
        routes.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(200000, 'b'), "text/html");
        });
        routes.Get("/cut.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(10000, "image/jpeg", [](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0)
                    return false; // the connection drops half way
                sink.write(std::string(5000, 'c').data(), 5000);
                return true;
            });
        });
        routes.Get("/drip.jpg", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("image/jpeg", [this](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write("x", 1); // one byte, then silence until the test is over
                    return true;
                }
                m_gate.hold();
                return false;
            });
        });
        m_server.start();
    }

    ~TestServer()
    {
        m_gate.open();
        m_server.stop();
    }

    static std::string picture() { return std::string(1000, 'j'); }
    QUrl url(const std::string& path) const { return QUrl(QString::fromStdString(m_server.url(path))); }
    Gate& gate() { return m_gate; }
    /// Where "/redirect" sends the client.
    void redirectTo(const QUrl& target)
    {
        std::lock_guard lock(m_mutex);
        m_redirectTarget = target.toString(QUrl::FullyEncoded).toStdString();
    }
    int pictureRequests() const { return m_pictureRequests; }
    std::string header(const std::string& name)
    {
        std::lock_guard lock(m_mutex);
        if (name == "User-Agent")
            return m_userAgent;
        if (name == "Accept")
            return m_accept;
        if (name == "Content-Type")
            return m_contentType;
        return m_cookie;
    }

private:
    Gate m_gate;
    LocalServer m_server;
    std::mutex m_mutex;
    std::string m_userAgent, m_accept, m_contentType, m_cookie;
    std::string m_redirectTarget = "/page";
    std::atomic<int> m_pictureRequests{0};
};

/// A loopback URL nothing listens on.
inline QUrl refusedUrl()
{
    LocalServer closed;
    closed.start();
    const QUrl url(QString::fromStdString(closed.url("/")));
    closed.stop();
    return url;
}

} // namespace vorbel::test
