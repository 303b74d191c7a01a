#include "platform/HttpFetcher.h"

#include <QMetaObject>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <list>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace vorbel {

namespace {

constexpr std::size_t MaxHeaderBytes = 64 * 1024;
constexpr std::size_t ReadBytes = 64 * 1024;
constexpr int MaxIdle = 8; // connections kept open without a transfer, over all servers
constexpr qint64 IdleLifetimeMs = 30000;
constexpr qint64 ResolvedLifetimeMs = 60000;

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return std::tolower(uchar(a)) == std::tolower(uchar(b)); });
}

bool containsNoCase(std::string_view text, std::string_view word)
{
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (startsWithNoCase(text.substr(i), word))
            return true;
    }
    return false;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

/// Where a request goes and what is written for it.
struct Target
{
    std::string host;
    std::string port;
    std::string server; // host:port, the key connections are kept by
    std::string request;
};

Target targetOf(const HttpFetcher::Request& request)
{
    const QUrl& url = request.url;
    Target target;
    target.host = url.host(QUrl::FullyEncoded).toStdString();
    target.port = std::to_string(url.port(80));
    target.server = target.host + ':' + target.port;
    QByteArray path = url.path(QUrl::FullyEncoded).toUtf8();
    if (path.isEmpty())
        path = "/";
    if (url.hasQuery())
        path += '?' + url.query(QUrl::FullyEncoded).toUtf8();
    const std::string hostHeader =
        (target.host.find(':') != std::string::npos ? '[' + target.host + ']' : target.host) +
        (url.port() >= 0 && url.port() != 80 ? ':' + target.port : std::string());
    target.request = "GET " + path.toStdString() + " HTTP/1.1\r\nHost: " + hostHeader + "\r\n" +
                     request.headers.toStdString() + "Connection: keep-alive\r\n\r\n";
    return target;
}

} // namespace

class HttpFetcher::Worker
{
public:
    explicit Worker(HttpFetcher& owner);
    ~Worker();

    void fetch(Request request);
    void abort(quint64 id);

private:
    struct Transfer
    {
        Request request;
        Target target;
        bool retried = false;
    };

    struct Connection
    {
        int fd = -1;
        std::string server;
        std::vector<addrinfo> addresses;    // left to try while connecting
        std::shared_ptr<addrinfo> resolved; // what `addresses` point into
        bool connecting = false;
        bool reused = false;
        std::optional<Transfer> transfer;
        std::size_t sent = 0;
        std::string in;
        qint64 lastActivity = 0;
        // The response, as far as it is read.
        bool headersRead = false;
        bool gotBytes = false;
        int status = 0;
        qint64 length = -1;
        bool chunked = false;
        bool closeAfter = false;
        qint64 chunkLeft = -1; // -1: a chunk's size line comes next
        bool trailer = false;
        QByteArray body;
        QList<QByteArray> setCookies;
    };
    using Connections = std::list<Connection>;

    void wake();
    void run();
    void takeCommands();
    void start(Transfer transfer);
    bool openSocket(Connection& connection);
    void tryNextAddress(Connection& connection);
    void onWritable(Connection& connection);
    void onReadable(Connection& connection);
    bool readHeaders(Connection& connection);
    bool readBody(Connection& connection, bool ended);
    void finish(Connection& connection, Outcome outcome, const QString& error);
    void failConnection(Connection& connection, const QString& error);
    void close(Connection& connection);
    void deliver(Result result);
    int pollTimeout(qint64 now) const;
    void expire(qint64 now);

    HttpFetcher& m_owner;
    int m_wake = -1;
    std::mutex m_mutex;
    std::vector<Request> m_fetches; // guarded
    std::vector<quint64> m_aborts;  // guarded
    bool m_stop = false;            // guarded
    Connections m_connections;      // the worker's own from here on
    // A server's addresses, looked up once for the connections opened to it within ResolvedLifetimeMs.
    struct Resolved
    {
        std::shared_ptr<addrinfo> list;
        qint64 at = 0;
    };
    std::unordered_map<std::string, Resolved> m_resolved;
    std::thread m_thread;
};

HttpFetcher::Worker::Worker(HttpFetcher& owner)
    : m_owner(owner), m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    m_thread = std::thread([this] { run(); });
}

HttpFetcher::Worker::~Worker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    wake();
    m_thread.join();
    for (Connection& connection : m_connections)
        close(connection);
    ::close(m_wake);
}

void HttpFetcher::Worker::wake()
{
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t woken = ::write(m_wake, &one, sizeof one);
}

void HttpFetcher::Worker::fetch(Request request)
{
    {
        std::lock_guard lock(m_mutex);
        m_fetches.push_back(std::move(request));
    }
    wake();
}

void HttpFetcher::Worker::abort(quint64 id)
{
    {
        std::lock_guard lock(m_mutex);
        m_aborts.push_back(id);
    }
    wake();
}

void HttpFetcher::Worker::run()
{
    // Named, as the file writer's thread is, so that a process listing tells the downloader's threads.
    pthread_setname_np(pthread_self(), "vorbel-fetch");
    std::vector<pollfd> polled;
    std::vector<Connection*> polledConnections;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
        }
        takeCommands();
        polled.assign(1, pollfd{m_wake, POLLIN, 0});
        polledConnections.assign(1, nullptr);
        for (Connection& connection : m_connections) {
            const bool writing =
                connection.connecting ||
                (connection.transfer && connection.sent < connection.transfer->target.request.size());
            polled.push_back(pollfd{connection.fd, short(writing ? POLLOUT : POLLIN), 0});
            polledConnections.push_back(&connection);
        }
        const int ready = ::poll(polled.data(), nfds_t(polled.size()), pollTimeout(nowMs()));
        if (ready < 0 && errno != EINTR)
            return;
        if (polled[0].revents & POLLIN) {
            quint64 count = 0;
            [[maybe_unused]] const ssize_t drained = ::read(m_wake, &count, sizeof count);
        }
        for (std::size_t i = 1; i < polled.size(); ++i) {
            Connection& connection = *polledConnections[i];
            if (connection.fd < 0 || polled[i].revents == 0)
                continue;
            if (polled[i].events == POLLOUT)
                onWritable(connection);
            else
                onReadable(connection);
        }
        expire(nowMs());
        m_connections.remove_if([](const Connection& connection) { return connection.fd < 0; });
    }
}

void HttpFetcher::Worker::takeCommands()
{
    std::vector<Request> fetches;
    std::vector<quint64> aborts;
    {
        std::lock_guard lock(m_mutex);
        fetches.swap(m_fetches);
        aborts.swap(m_aborts);
    }
    for (Request& request : fetches) {
        if (std::find(aborts.begin(), aborts.end(), request.id) != aborts.end())
            continue;
        Transfer transfer{request, targetOf(request), false};
        start(std::move(transfer));
    }
    for (const quint64 id : aborts) {
        for (Connection& connection : m_connections) {
            if (connection.transfer && connection.transfer->request.id == id)
                close(connection); // a response half read leaves the connection unusable
        }
    }
    m_connections.remove_if([](const Connection& connection) { return connection.fd < 0; });
}

void HttpFetcher::Worker::start(Transfer transfer)
{
    for (Connection& connection : m_connections) {
        if (!connection.transfer && !connection.connecting && connection.fd >= 0 &&
            connection.server == transfer.target.server) {
            connection.transfer = std::move(transfer);
            connection.reused = true;
            connection.sent = 0;
            connection.lastActivity = nowMs();
            onWritable(connection);
            return;
        }
    }
    Connection& connection = m_connections.emplace_back();
    connection.server = transfer.target.server;
    connection.transfer = std::move(transfer);
    connection.lastActivity = nowMs();
    if (openSocket(connection))
        tryNextAddress(connection);
}

bool HttpFetcher::Worker::openSocket(Connection& connection)
{
    const Target& target = connection.transfer->target;
    const qint64 now = nowMs();
    auto known = m_resolved.find(target.server);
    if (known == m_resolved.end() || now - known->second.at > ResolvedLifetimeMs) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int resolved = getaddrinfo(target.host.c_str(), target.port.c_str(), &hints, &found);
        if (resolved != 0) {
            finish(connection, Outcome::Failed,
                   QStringLiteral("找不到服务器 %1: %2")
                       .arg(QString::fromStdString(target.host),
                            QString::fromLocal8Bit(gai_strerror(resolved))));
            return false;
        }
        known = m_resolved.insert_or_assign(target.server, Resolved{{found, freeaddrinfo}, now}).first;
    }
    connection.resolved = known->second.list;
    for (addrinfo* address = connection.resolved.get(); address; address = address->ai_next)
        connection.addresses.push_back(*address);
    return true;
}

void HttpFetcher::Worker::tryNextAddress(Connection& connection)
{
    int lastError = ECONNREFUSED;
    while (!connection.addresses.empty()) {
        const addrinfo address = connection.addresses.front();
        connection.addresses.erase(connection.addresses.begin());
        const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                address.ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0 || errno == EINPROGRESS) {
            connection.fd = fd;
            connection.connecting = true;
            return;
        }
        lastError = errno;
        ::close(fd);
    }
    m_resolved.erase(connection.server); // looked up anew next time: the server may have moved
    finish(connection, Outcome::Failed, systemError(lastError));
}

void HttpFetcher::Worker::onWritable(Connection& connection)
{
    connection.lastActivity = nowMs();
    if (connection.connecting) {
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(connection.fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            ::close(connection.fd);
            connection.fd = -1;
            if (!connection.addresses.empty()) {
                tryNextAddress(connection);
            } else {
                m_resolved.erase(connection.server);
                finish(connection, Outcome::Failed, systemError(error));
            }
            return;
        }
        connection.connecting = false;
    }
    if (!connection.transfer)
        return;
    const std::string& request = connection.transfer->target.request;
    while (connection.sent < request.size()) {
        const ssize_t step = ::send(connection.fd, request.data() + connection.sent,
                                    request.size() - connection.sent, MSG_NOSIGNAL);
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (step <= 0) {
            failConnection(connection, systemError(errno));
            return;
        }
        connection.sent += std::size_t(step);
    }
}

void HttpFetcher::Worker::onReadable(Connection& connection)
{
    char buffer[ReadBytes];
    for (;;) {
        const ssize_t step = ::recv(connection.fd, buffer, sizeof buffer, 0);
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (!connection.transfer) { // an idle connection the server closed, or sent something unasked
            close(connection);
            return;
        }
        if (step <= 0) {
            const bool reset = step < 0;
            const int error = errno;
            if (!connection.gotBytes) {
                failConnection(connection, reset ? systemError(error) : QStringLiteral("服务器关闭了连接"));
                return;
            }
            if (!connection.headersRead) {
                finish(connection, Outcome::Failed, QStringLiteral("服务器关闭了连接"));
                return;
            }
            readBody(connection, true);
            return;
        }
        connection.lastActivity = nowMs();
        connection.gotBytes = true;
        connection.in.append(buffer, std::size_t(step));
        if (!connection.headersRead && !readHeaders(connection))
            return;
        if (connection.headersRead && readBody(connection, false))
            return;
        if (connection.fd < 0)
            return;
    }
}

/// Reads the status line and header lines once they are all in; false while more is needed or when the
/// connection ended for them.
bool HttpFetcher::Worker::readHeaders(Connection& connection)
{
    for (;;) {
        const std::size_t end = connection.in.find("\r\n\r\n");
        if (end == std::string::npos) {
            if (connection.in.size() > MaxHeaderBytes)
                finish(connection, Outcome::Failed, QStringLiteral("响应头过大"));
            return false;
        }
        const std::string_view head(connection.in.data(), end);
        const std::size_t lineEnd = head.find("\r\n");
        const std::string_view statusLine = head.substr(0, lineEnd);
        if (!startsWithNoCase(statusLine, "HTTP/1.") || statusLine.size() < 12) {
            finish(connection, Outcome::Failed, QStringLiteral("不是 HTTP 响应"));
            return false;
        }
        const bool http10 = statusLine[7] == '0';
        const int status = std::atoi(std::string(statusLine.substr(9, 3)).c_str());
        if (status >= 100 && status < 200) { // an interim response: the real one follows
            connection.in.erase(0, end + 4);
            continue;
        }
        connection.status = status;
        connection.closeAfter = http10;
        std::size_t at = lineEnd == std::string_view::npos ? head.size() : lineEnd + 2;
        while (at < head.size()) {
            std::size_t next = head.find("\r\n", at);
            if (next == std::string_view::npos)
                next = head.size();
            const std::string_view line = head.substr(at, next - at);
            at = next + 2;
            const std::size_t colon = line.find(':');
            if (colon == std::string_view::npos)
                continue;
            const std::string_view name = trimmed(line.substr(0, colon));
            const std::string_view value = trimmed(line.substr(colon + 1));
            if (startsWithNoCase(name, "content-length") && name.size() == 14)
                connection.length = std::strtoll(std::string(value).c_str(), nullptr, 10);
            else if (startsWithNoCase(name, "transfer-encoding") && name.size() == 17)
                connection.chunked = containsNoCase(value, "chunked");
            else if (startsWithNoCase(name, "connection") && name.size() == 10)
                connection.closeAfter =
                    containsNoCase(value, "close") || (http10 && !containsNoCase(value, "keep-alive"));
            else if (startsWithNoCase(name, "set-cookie") && name.size() == 10)
                connection.setCookies.append(QByteArray(value.data(), qsizetype(value.size())));
        }
        if (connection.status == 204 || connection.status == 304)
            connection.length = 0;
        if (!connection.chunked && connection.length < 0)
            connection.closeAfter = true; // the body ends with the connection
        if (!connection.chunked && connection.length > connection.transfer->request.maxBytes) {
            finish(connection, Outcome::TooLarge, QString());
            return false;
        }
        connection.in.erase(0, end + 4);
        connection.headersRead = true;
        return true;
    }
}

/// Takes what arrived of the body; true once the transfer is over (finished or failed).
bool HttpFetcher::Worker::readBody(Connection& connection, bool ended)
{
    const qint64 maxBytes = connection.transfer->request.maxBytes;
    const auto take = [&](std::size_t bytes) {
        connection.body.append(connection.in.data(), qsizetype(bytes));
        connection.in.erase(0, bytes);
    };
    if (connection.chunked) {
        for (;;) {
            if (connection.trailer) {
                const std::size_t end = connection.in.find("\r\n");
                if (end == std::string::npos)
                    break;
                const bool last = end == 0;
                connection.in.erase(0, end + 2);
                if (last) {
                    finish(connection, Outcome::Complete, QString());
                    return true;
                }
                continue;
            }
            if (connection.chunkLeft < 0) {
                const std::size_t end = connection.in.find("\r\n");
                if (end == std::string::npos)
                    break;
                connection.chunkLeft = std::strtoll(connection.in.substr(0, end).c_str(), nullptr, 16);
                connection.in.erase(0, end + 2);
                if (connection.chunkLeft == 0) {
                    connection.trailer = true;
                    continue;
                }
            }
            // A chunk's data, then its line end.
            const std::size_t available =
                std::min<std::size_t>(connection.in.size(), std::size_t(connection.chunkLeft));
            take(available);
            connection.chunkLeft -= qint64(available);
            if (connection.body.size() > maxBytes) {
                finish(connection, Outcome::TooLarge, QString());
                return true;
            }
            if (connection.chunkLeft > 0 || connection.in.size() < 2)
                break;
            connection.in.erase(0, 2);
            connection.chunkLeft = -1;
        }
        if (ended)
            finish(connection, Outcome::Cut, QStringLiteral("文件未传完连接就断开了"));
        return ended;
    }
    if (connection.length >= 0) {
        take(std::min<std::size_t>(connection.in.size(),
                                   std::size_t(connection.length - connection.body.size())));
        if (connection.body.size() == connection.length) {
            finish(connection, Outcome::Complete, QString());
            return true;
        }
        if (ended)
            finish(connection, Outcome::Cut, QStringLiteral("文件未传完连接就断开了"));
        return ended;
    }
    take(connection.in.size());
    if (connection.body.size() > maxBytes) {
        finish(connection, Outcome::TooLarge, QString());
        return true;
    }
    if (ended)
        finish(connection, Outcome::Complete, QString());
    return ended;
}

/// A transfer ended before any response: on a connection kept from an earlier file the server may have
/// closed it meanwhile, so the request goes once more on a new one.
void HttpFetcher::Worker::failConnection(Connection& connection, const QString& error)
{
    if (connection.reused && connection.transfer && !connection.transfer->retried) {
        Transfer transfer = std::move(*connection.transfer);
        transfer.retried = true;
        connection.transfer.reset();
        close(connection);
        start(std::move(transfer));
        return;
    }
    finish(connection, Outcome::Failed, error);
}

void HttpFetcher::Worker::finish(Connection& connection, Outcome outcome, const QString& error)
{
    if (!connection.transfer)
        return;
    Result result;
    result.id = connection.transfer->request.id;
    result.outcome = outcome;
    result.status = connection.status;
    result.error = error;
    if (outcome == Outcome::Complete) {
        result.body = std::move(connection.body);
        result.setCookies = std::move(connection.setCookies);
    }
    const bool keep = outcome == Outcome::Complete && !connection.closeAfter && connection.in.empty();
    connection.transfer.reset();
    if (keep) {
        connection.headersRead = connection.gotBytes = connection.chunked = connection.trailer = false;
        connection.status = 0;
        connection.length = connection.chunkLeft = -1;
        connection.body = QByteArray();
        connection.setCookies.clear();
        connection.lastActivity = nowMs();
    } else {
        close(connection);
    }
    deliver(std::move(result));
}

void HttpFetcher::Worker::close(Connection& connection)
{
    if (connection.fd >= 0)
        ::close(connection.fd);
    connection.fd = -1;
    connection.transfer.reset();
}

void HttpFetcher::Worker::deliver(Result result)
{
    QMetaObject::invokeMethod(
        &m_owner,
        [owner = &m_owner, result = std::move(result)]() mutable { owner->m_handler(std::move(result)); },
        Qt::QueuedConnection);
}

int HttpFetcher::Worker::pollTimeout(qint64 now) const
{
    qint64 soonest = IdleLifetimeMs;
    for (const Connection& connection : m_connections) {
        const qint64 limit = connection.transfer ? connection.transfer->request.stallMs : IdleLifetimeMs;
        soonest = std::min(soonest, std::max<qint64>(0, connection.lastActivity + limit - now));
    }
    return int(soonest) + 1;
}

void HttpFetcher::Worker::expire(qint64 now)
{
    int idle = 0;
    for (Connection& connection : m_connections) {
        if (connection.fd < 0)
            continue;
        if (connection.transfer) {
            if (now - connection.lastActivity >= connection.transfer->request.stallMs)
                finish(connection, Outcome::Stalled, QStringLiteral("传输超时"));
        } else if (!connection.connecting &&
                   (now - connection.lastActivity >= IdleLifetimeMs || ++idle > MaxIdle)) {
            close(connection);
        }
    }
}

HttpFetcher::HttpFetcher(Handler handler, QObject* parent) : QObject(parent), m_handler(std::move(handler)) {}

HttpFetcher::~HttpFetcher() = default;

bool HttpFetcher::handles(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") && !url.host().isEmpty() && url.userInfo().isEmpty();
}

void HttpFetcher::fetch(Request request)
{
    // The worker's thread starts with the first transfer: a run that fetches nothing starts none.
    if (!m_worker)
        m_worker = std::make_unique<Worker>(*this);
    m_worker->fetch(std::move(request));
}

void HttpFetcher::abort(quint64 id)
{
    if (m_worker)
        m_worker->abort(id);
}

} // namespace vorbel
