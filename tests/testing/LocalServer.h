#pragma once

#include <httplib.h>
#include <string>
#include <thread>

namespace vorbel::test {

/// A small HTTP server on a free loopback port, running on its own thread for one test.
class LocalServer
{
public:
    LocalServer() = default;
    ~LocalServer() { stop(); }

    httplib::Server& routes() { return m_server; }

    /// Binds 127.0.0.1 on a free port and starts serving.
    void start()
    {
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::yield();
    }

    void stop()
    {
        if (m_thread.joinable()) {
            m_server.stop();
            m_thread.join();
        }
    }

    int port() const { return m_port; }
    std::string url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

} // namespace vorbel::test
