#include "platform/Downloader.h"

#include "platform/WebAddress.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>

namespace vorbel {

namespace {

QNetworkRequest fileRequest(const QUrl& url, int stallMs)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "text/html, */*");
    request.setRawHeader("Content-Type", "text/html");
    request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(stallMs);
    return request;
}

} // namespace

Downloader::Downloader(QNetworkAccessManager& network, QObject* parent) : QObject(parent), m_network(network)
{
}

Downloader::~Downloader()
{
    cancelAll();
}

void Downloader::download(const QUrl& url, const QString& target, QObject* context, Callback done,
                          Priority priority)
{
    const QString key = QDir::cleanPath(QFileInfo(target).absoluteFilePath());
    Waiter waiter{context, context != nullptr, std::move(done)};
    if (const auto found = m_jobs.find(key); found != m_jobs.end()) {
        found->second->waiters.push_back(std::move(waiter));
        if (priority == Priority::First && !found->second->reply) {
            std::erase(m_queue, key);
            m_queue.push_front(key);
        }
        return;
    }
    auto job = std::make_unique<Job>();
    job->url = url;
    job->target = key;
    job->waiters.push_back(std::move(waiter));
    m_jobs.emplace(key, std::move(job));
    if (priority == Priority::First)
        m_queue.push_front(key);
    else
        m_queue.push_back(key);
    // Start after the caller returns, so a callback never runs inside download().
    QTimer::singleShot(0, this, &Downloader::startNext);
}

void Downloader::startNext()
{
    while (m_running < m_maxConcurrent && !m_queue.empty()) {
        const QString target = m_queue.front();
        m_queue.pop_front();
        if (const auto found = m_jobs.find(target); found != m_jobs.end() && !found->second->reply)
            start(*found->second);
    }
}

void Downloader::start(Job& job)
{
    if (const std::optional<QString> refused = openTarget(job)) {
        finishLater(job.target, *refused);
        return;
    }
    ++m_running;
    job.reply = m_network.get(fileRequest(job.url, m_stallMs));
    QNetworkReply* reply = job.reply;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onReadyRead(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

/// Opens the temporary file the body goes to; the reason when the download may not start.
std::optional<QString> Downloader::openTarget(Job& job)
{
    if (!isWebAddress(job.url))
        return QStringLiteral("只能下载 http 或 https 地址: %1").arg(job.url.toString());
    // A saved file follows a link at its name: never write through a link planted in the cache.
    if (QFileInfo(job.target).isSymLink())
        return QStringLiteral("目标是符号链接，已拒绝写入: %1").arg(job.target);
    job.file = std::make_unique<QSaveFile>(job.target);
    if (!job.file->open(QIODevice::WriteOnly))
        return QStringLiteral("无法写入 %1: %2").arg(job.target, job.file->errorString());
    return std::nullopt;
}

Downloader::Job* Downloader::jobOf(QNetworkReply* reply)
{
    for (auto& [target, job] : m_jobs) {
        if (job->reply == reply)
            return job.get();
    }
    return nullptr;
}

void Downloader::onReadyRead(QNetworkReply* reply)
{
    Job* job = jobOf(reply);
    if (!job)
        return;
    const QByteArray chunk = reply->readAll();
    job->received += chunk.size();
    if (job->received > m_maxBytes) {
        finish(job->target, false,
               QStringLiteral("文件过大（超过 %1 字节）: %2").arg(m_maxBytes).arg(job->url.toString()));
        return;
    }
    job->file->write(chunk);
}

void Downloader::onFinished(QNetworkReply* reply)
{
    onReadyRead(reply);
    Job* job = jobOf(reply); // gone when the size cap ended it
    if (!job)
        return;
    QString error = failure(*job);
    if (error.isEmpty() && !job->file->commit())
        error = job->file->errorString();
    finish(job->target, error.isEmpty(),
           error.isEmpty() ? QString() : job->url.toString() + QStringLiteral(": ") + error);
}

/// Why a finished transfer is no file; empty when it is one.
QString Downloader::failure(const Job& job) const
{
    const int status = job.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0)
        return job.reply->errorString(); // no answer at all
    if (status < 200 || status > 299)
        return QStringLiteral("HTTP %1").arg(status);
    if (job.reply->error() != QNetworkReply::NoError)
        return job.reply->errorString(); // the body was cut off
    if (job.received == 0)
        return QStringLiteral("空文件");
    return {};
}

void Downloader::finishLater(const QString& target, const QString& error)
{
    QTimer::singleShot(0, this, [this, target, error] { finish(target, false, error); });
}

void Downloader::finish(const QString& target, bool ok, const QString& error)
{
    const auto found = m_jobs.find(target);
    if (found == m_jobs.end())
        return;
    const std::unique_ptr<Job> job = std::move(found->second);
    m_jobs.erase(found);
    if (job->reply) {
        --m_running;
        job->reply->disconnect(this);
        job->reply->abort();
        job->reply->deleteLater();
    }
    if (job->file)
        job->file->cancelWriting(); // after a commit nothing is left to remove
    // The job is out of the table first: a callback may download the same target again.
    for (Waiter& waiter : job->waiters) {
        if (!waiter.hasContext || waiter.context)
            waiter.done(ok, error);
    }
    startNext();
}

void Downloader::drop(Job& job)
{
    if (job.reply) {
        --m_running;
        job.reply->disconnect(this);
        job.reply->abort();
        job.reply->deleteLater();
        job.reply = nullptr;
    }
    if (job.file)
        job.file->cancelWriting();
}

void Downloader::cancel(const QObject* owner)
{
    bool stopped = false;
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        Job& job = *it->second;
        std::erase_if(job.waiters, [owner](const Waiter& waiter) {
            return waiter.hasContext && (!waiter.context || waiter.context.data() == owner);
        });
        if (!job.waiters.empty()) {
            ++it;
            continue;
        }
        drop(job);
        std::erase(m_queue, it->first);
        it = m_jobs.erase(it);
        stopped = true;
    }
    if (stopped)
        startNext();
}

void Downloader::cancelAll()
{
    m_queue.clear();
    const auto jobs = std::move(m_jobs);
    m_jobs.clear();
    for (const auto& [target, job] : jobs)
        drop(*job);
    m_running = 0;
}

} // namespace vorbel
