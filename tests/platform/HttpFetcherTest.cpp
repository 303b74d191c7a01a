#include "platform/HttpFetcher.h"
#include "testing/EventLoop.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vorbel;
using namespace vorbel::test;

namespace {

/// A loopback server that answers each request read on a connection with the next of its scripted
/// answers, raw bytes as they are; an answer marked to close ends the connection after it is written.
class ScriptedServer
{
public:
    struct Answer
    {
        std::string bytes;
        bool close = false;
        bool silent = false; // read the request and say nothing
    };

    explicit ScriptedServer(std::vector<Answer> answers) : m_answers(std::move(answers))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 8);
        socklen_t size = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }

    ~ScriptedServer()
    {
        m_stop = true;
        ::shutdown(m_listener, SHUT_RDWR);
        ::close(m_listener);
        m_thread.join();
    }

    QUrl url(const char* path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
    }
    int connections() const { return m_connections; }
    std::string requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    void serve()
    {
        std::size_t next = 0;
        while (!m_stop && next < m_answers.size()) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                return;
            ++m_connections;
            std::string pending;
            while (next < m_answers.size()) {
                char buffer[4096];
                while (pending.find("\r\n\r\n") == std::string::npos) {
                    const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                    if (got <= 0)
                        break;
                    pending.append(buffer, std::size_t(got));
                }
                const std::size_t end = pending.find("\r\n\r\n");
                if (end == std::string::npos)
                    break;
                {
                    std::lock_guard lock(m_mutex);
                    m_requests += pending.substr(0, end + 4);
                }
                pending.erase(0, end + 4);
                const Answer& answer = m_answers[next++];
                if (answer.silent) {
                    while (!m_stop && ::recv(client, buffer, sizeof buffer, 0) > 0) {
                    }
                    break;
                }
                ::send(client, answer.bytes.data(), answer.bytes.size(), MSG_NOSIGNAL);
                if (answer.close)
                    break;
            }
            ::close(client);
        }
    }

    std::vector<Answer> m_answers;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::string m_requests;
    std::thread m_thread;
};

std::string okResponse(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class HttpFetcherTest : public ::testing::Test
{
protected:
    HttpFetcher::Result fetch(const QUrl& url, int stallMs = 5000, qint64 maxBytes = 1 << 20)
    {
        const quint64 id = ++m_nextId;
        m_fetcher.fetch({id, url, "User-Agent: test\r\n", maxBytes, stallMs});
        EXPECT_TRUE(waitUntil([&] { return m_results.size() == m_nextId; }));
        return m_results.empty() ? HttpFetcher::Result{} : m_results.back();
    }

    std::vector<HttpFetcher::Result> m_results;
    quint64 m_nextId = 0;
    HttpFetcher m_fetcher{[this](HttpFetcher::Result result) { m_results.push_back(std::move(result)); }};
};

} // namespace

TEST_F(HttpFetcherTest, FilesFollowOneAnotherOnOneKeptConnection)
{
    ScriptedServer server({{okResponse("first")}, {okResponse("second")}});
    const HttpFetcher::Result first = fetch(server.url("/a.jpg?x=1"));
    EXPECT_EQ(first.outcome, HttpFetcher::Outcome::Complete) << first.error.toStdString();
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.body, "first");
    EXPECT_EQ(fetch(server.url("/b.jpg")).body, "second");
    EXPECT_EQ(server.connections(), 1);
    const std::string requests = server.requests();
    EXPECT_NE(requests.find("GET /a.jpg?x=1 HTTP/1.1\r\n"), std::string::npos) << requests;
    EXPECT_NE(requests.find("Host: 127.0.0.1:"), std::string::npos);
    EXPECT_NE(requests.find("User-Agent: test\r\n"), std::string::npos);
}

TEST_F(HttpFetcherTest, AConnectionTheServerClosedWhileIdleIsReplacedOnce)
{
    // The first answer promises to keep the connection and closes it all the same.
    ScriptedServer server({{okResponse("first"), true}, {okResponse("second")}});
    EXPECT_EQ(fetch(server.url("/a.jpg")).body, "first");
    waitUntil([] { return false; }, 50); // let the close arrive while the connection is idle, or not
    const HttpFetcher::Result second = fetch(server.url("/b.jpg"));
    EXPECT_EQ(second.outcome, HttpFetcher::Outcome::Complete) << second.error.toStdString();
    EXPECT_EQ(second.body, "second");
    EXPECT_EQ(server.connections(), 2);
}

TEST_F(HttpFetcherTest, BodiesFramedByChunksOrByTheConnectionsEnd)
{
    ScriptedServer server({{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nSet-Cookie: a=1\r\n\r\n"
                            "4;ext=1\r\nab\r\n\r\n3\r\ncde\r\n0\r\nTrailer: x\r\n\r\n"},
                           {"HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\nto the end", true}});
    const HttpFetcher::Result chunked = fetch(server.url("/c.jpg"));
    EXPECT_EQ(chunked.outcome, HttpFetcher::Outcome::Complete) << chunked.error.toStdString();
    EXPECT_EQ(chunked.body, "ab\r\ncde");
    EXPECT_EQ(chunked.setCookies, QList<QByteArray>{"a=1"});
    const HttpFetcher::Result untilEnd = fetch(server.url("/e.jpg"));
    EXPECT_EQ(untilEnd.outcome, HttpFetcher::Outcome::Complete) << untilEnd.error.toStdString();
    EXPECT_EQ(untilEnd.body, "to the end");
}

TEST_F(HttpFetcherTest, FailuresSayWhatWentWrong)
{
    ScriptedServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", true},
                           {okResponse(std::string(2000, 'x'))},
                           {"", false, true}});
    const HttpFetcher::Result cut = fetch(server.url("/cut.jpg"));
    EXPECT_EQ(cut.outcome, HttpFetcher::Outcome::Cut);
    EXPECT_EQ(cut.status, 200);
    EXPECT_FALSE(cut.error.isEmpty());
    EXPECT_TRUE(cut.body.isEmpty());
    EXPECT_EQ(fetch(server.url("/big.jpg"), 5000, 1000).outcome, HttpFetcher::Outcome::TooLarge);
    const HttpFetcher::Result stalled = fetch(server.url("/silent.jpg"), 200);
    EXPECT_EQ(stalled.outcome, HttpFetcher::Outcome::Stalled);
    EXPECT_FALSE(stalled.error.isEmpty());

    int port = 0;
    {
        ScriptedServer closed({});
        port = closed.url("/").port();
    }
    const HttpFetcher::Result refused = fetch(QUrl(QStringLiteral("http://127.0.0.1:%1/x.jpg").arg(port)));
    EXPECT_EQ(refused.outcome, HttpFetcher::Outcome::Failed);
    EXPECT_EQ(refused.status, 0);
    EXPECT_FALSE(refused.error.isEmpty());
}

TEST_F(HttpFetcherTest, AnAbortedFetchNeverAnswers)
{
    ScriptedServer server({{"", false, true}, {okResponse("after")}});
    m_fetcher.fetch({1, server.url("/held.jpg"), {}, 1 << 20, 5000});
    ASSERT_TRUE(waitUntil([&] { return !server.requests().empty(); })); // under way
    m_fetcher.abort(1);
    m_fetcher.fetch({2, server.url("/after.jpg"), {}, 1 << 20, 5000});
    ASSERT_TRUE(waitUntil([&] { return !m_results.empty(); }));
    waitUntil([] { return false; }, 100);
    ASSERT_EQ(m_results.size(), 1U);
    EXPECT_EQ(m_results.front().id, 2U);
    EXPECT_EQ(m_results.front().body, "after");
}
