#include "platform/Downloader.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>

namespace vorbel {

namespace {

bool isWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QNetworkRequest pictureRequest(const QUrl& url, int stallMs)
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

void Downloader::download(const QUrl& url, const QString& target, QObject* context, Callback done)
{
    auto found = m_jobs.find(target);
    if (found != m_jobs.end()) {
        found->second->waiters.push_back({context, std::move(done)});
        return;
    }
    auto job = std::make_unique<Job>();
    job->url = url;
    job->target = target;
    job->waiters.push_back({context, std::move(done)});
    m_jobs.emplace(target, std::move(job));
    m_queue.push_back(target);
    // Start after the caller returns, so a callback never runs inside download().
    QTimer::singleShot(0, this, &Downloader::startNext);
}

void Downloader::startNext()
{
    while (m_running < m_maxConcurrent && !m_queue.empty()) {
        const QString target = m_queue.front();
        m_queue.pop_front();
        auto found = m_jobs.find(target);
        if (found != m_jobs.end())
            start(*found->second);
    }
}

void Downloader::start(Job& job)
{
    const QString target = job.target;
    if (!isWebUrl(job.url)) {
        QTimer::singleShot(0, this, [this, target, url = job.url] {
            finish(target, false, QStringLiteral("只能下载 http 或 https 地址: %1").arg(url.toString()));
        });
        return;
    }
    if (QFileInfo(job.target).isSymLink()) {
        // A saved file replaces what its name points at: never write through a link planted in the cache.
        QTimer::singleShot(0, this, [this, target] {
            finish(target, false, QStringLiteral("目标是符号链接: %1").arg(target));
        });
        return;
    }
    job.file = std::make_unique<QSaveFile>(job.target);
    if (!job.file->open(QIODevice::WriteOnly)) {
        const QString error = job.file->errorString();
        QTimer::singleShot(0, this, [this, target, error] { finish(target, false, error); });
        return;
    }
    ++m_running;
    job.reply = m_network.get(pictureRequest(job.url, m_stallMs));
    connect(job.reply, &QNetworkReply::readyRead, this, [this, &job] { onReadyRead(job); });
    connect(job.reply, &QNetworkReply::finished, this, [this, &job] { onFinished(job); });
}

void Downloader::onReadyRead(Job& job)
{
    const QByteArray chunk = job.reply->readAll();
    job.received += chunk.size();
    if (job.received > m_maxBytes) {
        job.reply->disconnect(this);
        job.reply->abort();
        finish(job.target, false, QStringLiteral("文件过大: %1").arg(job.url.toString()));
        return;
    }
    job.file->write(chunk);
}

void Downloader::onFinished(Job& job)
{
    onReadyRead(job);
    if (m_jobs.find(job.target) == m_jobs.end())
        return; // ended by the size cap
    const int status = job.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QString error;
    if (job.reply->error() != QNetworkReply::NoError && (status < 200 || status > 299))
        error = job.reply->errorString();
    else if (status < 200 || status > 299)
        error = QStringLiteral("HTTP %1").arg(status);
    else if (job.reply->error() != QNetworkReply::NoError)
        error = job.reply->errorString();
    else if (job.received == 0)
        error = QStringLiteral("空文件");
    else if (!job.file->commit())
        error = job.file->errorString();
    finish(job.target, error.isEmpty(),
           error.isEmpty() ? QString() : job.url.toString() + QStringLiteral(": ") + error);
}

void Downloader::finish(const QString& target, bool ok, const QString& error)
{
    auto found = m_jobs.find(target);
    if (found == m_jobs.end())
        return;
    std::unique_ptr<Job> job = std::move(found->second);
    m_jobs.erase(found);
    if (job->reply) {
        --m_running;
        job->reply->disconnect(this);
        job->reply->deleteLater();
    }
    if (job->file)
        job->file->cancelWriting(); // no-op after a commit; otherwise the temporary file is removed
    for (Waiter& waiter : job->waiters) {
        if (waiter.context)
            waiter.done(ok, error);
    }
    startNext();
}

void Downloader::cancelAll()
{
    m_queue.clear();
    auto jobs = std::move(m_jobs);
    m_jobs.clear();
    for (auto& [target, job] : jobs) {
        if (job->reply) {
            job->reply->disconnect(this);
            job->reply->abort();
            job->reply->deleteLater();
        }
        if (job->file)
            job->file->cancelWriting();
    }
    m_running = 0;
}

int Downloader::pending() const
{
    return int(m_jobs.size());
}

} // namespace vorbel
