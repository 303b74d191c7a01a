#pragma once

#include "platform/HttpFetcher.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QUrl>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace vorbel {

/// Downloads files without blocking the window, several at once. A file appears under its name only
/// after its whole body arrived (the body is held in memory, written under a temporary name and renamed),
/// so a failure never leaves a partial or empty file. Only http and https are fetched, redirects are not
/// followed, and a status outside 2xx, an empty body, a body over the size cap or a transfer that stalls
/// fails. Plain http goes through an HttpFetcher of the downloader's own while the network access manager
/// is a plain one without a proxy (it shares the manager's cookies); the rest through the manager.
class Downloader : public QObject
{
    Q_OBJECT
public:
    using Callback = std::function<void(bool ok, const QString& error)>;
    /// Where a new download joins the queue: a picture the user clicked for goes ahead of the rest.
    enum class Priority
    {
        Normal,
        First
    };

    static constexpr qint64 DefaultMaxBytes = 16 * 1024 * 1024;
    static constexpr int DefaultStallMs = 30000;
    static constexpr int DefaultMaxConcurrent = 6;

    explicit Downloader(QNetworkAccessManager& network, QObject* parent = nullptr);
    ~Downloader() override;

    /// Fetches url into target and then calls done once, never inside this call. With a context, done
    /// is skipped once the context is destroyed. A second download of a target already on its way
    /// shares that transfer; both callbacks run.
    void download(const QUrl& url, const QString& target, QObject* context, Callback done,
                  Priority priority = Priority::Normal);
    /// Drops what owner (the context it passed) waits for: its callbacks never run, and a download that
    /// nobody else waits for stops. Other owners' downloads go on.
    void cancel(const QObject* owner);
    /// Drops every queued and running download; their callbacks never run.
    void cancelAll();
    /// Downloads queued or running.
    int pending() const { return int(m_jobs.size()); }
    int running() const { return m_running; }

    void setMaxConcurrent(int count) { m_maxConcurrent = std::max(1, count); }
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    void setStallTimeout(int milliseconds) { m_stallMs = milliseconds; }

private:
    struct Waiter
    {
        QPointer<QObject> context;
        bool hasContext;
        Callback done;
    };
    struct Job
    {
        QUrl url;
        QString target;
        std::vector<Waiter> waiters;
        QNetworkReply* reply = nullptr;
        bool fetching = false; // on the HttpFetcher, under the job's id
        QByteArray body;
        quint64 id = 0;
        bool writing = false; // the whole body is in, its file being written
    };

    void scheduleStart();
    void startNext();
    void start(Job& job);
    std::optional<QString> refusal(const Job& job) const;
    void onReadyRead(QNetworkReply* reply);
    void onFinished(QNetworkReply* reply);
    bool fetchesItself(const QUrl& url);
    void startFetch(Job& job);
    void onFetched(HttpFetcher::Result result);
    void startWriter();
    Job* jobOf(QNetworkReply* reply);
    QString failure(const Job& job) const;
    void finish(const QString& target, bool ok, const QString& error);
    void finishLater(const QString& target, const QString& error);
    void drop(Job& job);
    void write(Job& job);
    void written(const QString& target, quint64 id, const QString& error);

    QNetworkAccessManager& m_network;
    std::map<QString, std::unique_ptr<Job>> m_jobs; // by target
    // A page queues a thousand pictures and each reply signals several times: finding a reply's job by
    // walking the table cost more than the transfer.
    std::unordered_map<const QNetworkReply*, Job*> m_byReply;
    std::unordered_map<quint64, Job*> m_byFetch;
    HttpFetcher* m_fetcher;
    QHash<QString, bool> m_direct; // by host:port: whether the manager would connect without a proxy
    std::deque<QString> m_queue;
    bool m_startScheduled = false;
    quint64 m_nextId = 0;
    // Creating a file took a fifth of a millisecond and more on a busy disk: a thousand pictures kept the
    // window's thread from the transfers it drives. The files are written on this thread instead, one
    // after the other, so their callbacks still come in the order the transfers ended.
    QThread m_writer;
    QObject* m_writerContext;
    int m_running = 0;
    int m_maxConcurrent = DefaultMaxConcurrent;
    qint64 m_maxBytes = DefaultMaxBytes;
    int m_stallMs = DefaultStallMs;
};

} // namespace vorbel
