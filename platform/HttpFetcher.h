#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace vorbel {

/// Fetches files over plain http on a thread of its own, keeping its connections open from one file to
/// the next (HTTP/1.1 keep-alive). Made for the picture cache: a thousand small pictures through the
/// network access manager cost two threads' work and several signals each, more of the machine than the
/// transfers themselves; here a picture is one request written and one response read on a connection
/// that is already open.
///
/// Only what the downloader needs: GET with the caller's header lines, redirects not followed, no proxy,
/// no compression asked for; a response is framed by its length, by chunks or by the end of the
/// connection. A connection the server closed while it was idle is replaced once, without a word.
class HttpFetcher : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        quint64 id = 0;
        QUrl url;
        /// Extra header lines, each ending in "\r\n".
        QByteArray headers;
        qint64 maxBytes = 0;
        /// How long the transfer may go without a byte before it fails.
        int stallMs = 30000;
    };

    enum class Outcome
    {
        Complete, // the whole response
        Failed,   // no response: no connection, or it ended before one
        Cut,      // the response began but its body ended early
        TooLarge, // the body passed maxBytes
        Stalled   // no byte for stallMs
    };

    struct Result
    {
        quint64 id = 0;
        Outcome outcome = Outcome::Failed;
        int status = 0; // 0 without a status line
        QByteArray body;
        QList<QByteArray> setCookies; // the Set-Cookie header values
        QString error;                // why, for every outcome but Complete
    };
    using Handler = std::function<void(Result)>;

    /// Results come to `handler` on this object's thread, one per request that was not aborted.
    explicit HttpFetcher(Handler handler, QObject* parent = nullptr);
    ~HttpFetcher() override;

    /// Only http addresses with a host.
    static bool handles(const QUrl& url);

    void fetch(Request request);
    /// Forgets a request: its result never comes, and its connection closes if the transfer was under way.
    void abort(quint64 id);

private:
    class Worker;
    Handler m_handler;
    std::unique_ptr<Worker> m_worker;
};

} // namespace vorbel
