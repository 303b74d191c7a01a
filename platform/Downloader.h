#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <deque>
#include <functional>
#include <map>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

namespace vorbel {

/// Downloads files without blocking the window, several at once. A file appears under its name only
/// after its whole body arrived (it is written under a temporary name and renamed), so a failure never
/// leaves a partial or empty file. Redirects are not followed and only http and https are fetched.
class Downloader : public QObject
{
    Q_OBJECT
public:
    using Callback = std::function<void(bool ok, const QString& error)>;

    static constexpr qint64 DefaultMaxBytes = 16 * 1024 * 1024;
    static constexpr int DefaultStallMs = 30000;

    explicit Downloader(QNetworkAccessManager& network, QObject* parent = nullptr);
    ~Downloader() override;

    /// Fetches url into target; the callback runs once when it is done (not after cancelAll, nor when
    /// the context is gone). Two downloads of one target share one transfer.
    void download(const QUrl& url, const QString& target, QObject* context, Callback done);
    void cancelAll();
    int pending() const;

    void setMaxConcurrent(int count) { m_maxConcurrent = std::max(1, count); }
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    void setStallTimeout(int milliseconds) { m_stallMs = milliseconds; }

private:
    struct Waiter
    {
        QPointer<QObject> context;
        Callback done;
    };
    struct Job
    {
        QUrl url;
        QString target;
        std::vector<Waiter> waiters;
        QNetworkReply* reply = nullptr;
        std::unique_ptr<QSaveFile> file;
        qint64 received = 0;
    };

    void startNext();
    void start(Job& job);
    void onReadyRead(Job& job);
    void onFinished(Job& job);
    void finish(const QString& target, bool ok, const QString& error);

    QNetworkAccessManager& m_network;
    std::map<QString, std::unique_ptr<Job>> m_jobs; // by target
    std::deque<QString> m_queue;
    int m_running = 0;
    int m_maxConcurrent = 6;
    qint64 m_maxBytes = DefaultMaxBytes;
    int m_stallMs = DefaultStallMs;
};

} // namespace vorbel
