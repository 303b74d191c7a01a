#include "platform/Downloader.h"

#include "platform/WebAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryFile>
#include <QTimer>
#include <filesystem>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

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

QString writeFailure(const QString& target, const QString& why)
{
    return QStringLiteral("无法写入 %1: %2").arg(target, why);
}

/// Writes bytes to a temporary file beside target and renames it over target; the reason when that fails,
/// with nothing left behind (unless the process is killed between the two).
QString saveThroughTemporaryFile(const QString& target, const QByteArray& bytes)
{
    QTemporaryFile file(target + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return writeFailure(target, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        return writeFailure(target, file.errorString());
    file.close();
    std::error_code error;
    // Replaces a file already at the name in one step, as the platform's own rename does.
    std::filesystem::rename(QFile::encodeName(file.fileName()).toStdString(),
                            QFile::encodeName(target).toStdString(), error);
    if (error)
        return writeFailure(target, QString::fromLocal8Bit(error.message()));
    file.setAutoRemove(false); // it is the target now
    return {};
}

#ifdef Q_OS_LINUX
/// An unnamed file in the target's folder, given its name only once it holds the whole body: a process
/// killed at any moment leaves the whole picture or nothing, not even a temporary file. Nothing decided
/// when the file system has no unnamed files.
std::optional<QString> saveUnnamed(const QString& target, const QByteArray& bytes)
{
    const QByteArray path = QFile::encodeName(target);
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        return std::nullopt;
    if (fd < 0)
        return writeFailure(target, QString::fromLocal8Bit(std::strerror(errno)));
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(fd, bytes.constData() + written, std::size_t(bytes.size() - written));
        if (step < 0 && errno == EINTR)
            continue;
        if (step <= 0)
            break;
        written += step;
    }
    int error = written == bytes.size() ? 0 : (errno != 0 ? errno : EIO);
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    if (error == 0 &&
        ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) != 0) {
        error = errno;
        if (error == EEXIST) {
            // A file is there already (fetched again): a named step beside it, then one rename over it.
            const QByteArray temporary =
                path + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".part";
            const bool replaced = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(),
                                           AT_SYMLINK_FOLLOW) == 0 &&
                                  ::rename(temporary.constData(), path.constData()) == 0;
            error = replaced ? 0 : errno;
            if (!replaced)
                ::unlink(temporary.constData());
        }
    }
    ::close(fd);
    return error == 0 ? QString() : writeFailure(target, QString::fromLocal8Bit(std::strerror(error)));
}
#endif

/// Writes bytes to target so that the name never shows part of a body; the reason when that fails, with
/// nothing left behind. The file is not synced to the disk: these are cache files, one lost with the
/// machine is fetched again, and a sync per picture took longer than its transfer.
QString saveAtomically(const QString& target, const QByteArray& bytes)
{
#ifdef Q_OS_LINUX
    if (const std::optional<QString> saved = saveUnnamed(target, bytes))
        return *saved;
#endif
    return saveThroughTemporaryFile(target, bytes);
}

} // namespace

Downloader::Downloader(QNetworkAccessManager& network, QObject* parent)
    : QObject(parent), m_network(network),
      m_fetcher(new HttpFetcher([this](HttpFetcher::Result result) { onFetched(std::move(result)); }, this)),
      m_writerContext(new QObject)
{
    m_writer.setObjectName(QStringLiteral("vorbel-files"));
}

Downloader::~Downloader()
{
    cancelAll();
    if (!m_writer.isRunning()) {
        delete m_writerContext; // never moved to the writer, which never started
        return;
    }
    // Writes under way end first; their answers, queued for this object, go with it.
    m_writer.quit();
    m_writer.wait();
}

void Downloader::download(const QUrl& url, const QString& target, QObject* context, Callback done,
                          Priority priority)
{
    const QString key = QDir::cleanPath(QFileInfo(target).absoluteFilePath());
    Waiter waiter{context, context != nullptr, std::move(done)};
    if (const auto found = m_jobs.find(key); found != m_jobs.end()) {
        found->second->waiters.push_back(std::move(waiter));
        if (priority == Priority::First && !found->second->reply && !found->second->fetching &&
            !found->second->writing) {
            std::erase(m_queue, key);
            m_queue.push_front(key);
        }
        return;
    }
    auto job = std::make_unique<Job>();
    job->url = url;
    job->target = key;
    job->id = ++m_nextId;
    job->waiters.push_back(std::move(waiter));
    m_jobs.emplace(key, std::move(job));
    if (priority == Priority::First)
        m_queue.push_front(key);
    else
        m_queue.push_back(key);
    scheduleStart();
}

void Downloader::scheduleStart()
{
    // Start after the caller returns, so a callback never runs inside download(); one start serves every
    // download queued before it runs.
    if (m_startScheduled)
        return;
    m_startScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_startScheduled = false;
        startNext();
    });
}

void Downloader::startNext()
{
    while (m_running < m_maxConcurrent && !m_queue.empty()) {
        const QString target = m_queue.front();
        m_queue.pop_front();
        if (const auto found = m_jobs.find(target); found != m_jobs.end() && !found->second->reply &&
                                                    !found->second->fetching && !found->second->writing)
            start(*found->second);
    }
}

void Downloader::start(Job& job)
{
    if (const std::optional<QString> refused = refusal(job)) {
        finishLater(job.target, *refused);
        return;
    }
    ++m_running;
    if (fetchesItself(job.url)) {
        startFetch(job);
        return;
    }
    job.reply = m_network.get(fileRequest(job.url, m_stallMs));
    QNetworkReply* reply = job.reply;
    m_byReply.emplace(reply, &job);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onReadyRead(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

/// True when the HttpFetcher may take the transfer in the network access manager's place: a plain
/// manager (not one made to answer otherwise) that would connect to the server directly. The manager's
/// choice of proxy is asked once per server: the system's answer takes a thread and a lookup.
bool Downloader::fetchesItself(const QUrl& url)
{
    if (!HttpFetcher::handles(url) || m_network.metaObject() != &QNetworkAccessManager::staticMetaObject)
        return false;
    const QString server = url.host() + QLatin1Char(':') + QString::number(url.port(80));
    if (const auto known = m_direct.constFind(server); known != m_direct.constEnd())
        return known.value();
    QList<QNetworkProxy> proxies;
    const QNetworkProxyQuery query(url);
    if (QNetworkProxyFactory* factory = m_network.proxyFactory())
        proxies = factory->queryProxy(query);
    else if (m_network.proxy().type() != QNetworkProxy::DefaultProxy)
        proxies = {m_network.proxy()};
    else
        proxies = QNetworkProxyFactory::proxyForQuery(query);
    const bool direct = proxies.isEmpty() || proxies.first().type() == QNetworkProxy::NoProxy;
    m_direct.insert(server, direct);
    return direct;
}

void Downloader::startFetch(Job& job)
{
    // The same header lines as the manager's request, and the cookies it would send.
    QByteArray headers = "Accept: text/html, */*\r\nContent-Type: text/html\r\n"
                         "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    if (QNetworkCookieJar* jar = m_network.cookieJar()) {
        QList<QByteArray> cookies;
        for (const QNetworkCookie& cookie : jar->cookiesForUrl(job.url))
            cookies << cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
        if (!cookies.isEmpty())
            headers += "Cookie: " + cookies.join("; ") + "\r\n";
    }
    job.fetching = true;
    m_byFetch.emplace(job.id, &job);
    m_fetcher->fetch({job.id, job.url, headers, m_maxBytes, m_stallMs});
}

void Downloader::onFetched(HttpFetcher::Result result)
{
    const auto found = m_byFetch.find(result.id);
    if (found == m_byFetch.end())
        return; // cancelled meanwhile
    Job& job = *found->second;
    m_byFetch.erase(found);
    job.fetching = false;
    --m_running;
    if (QNetworkCookieJar* jar = m_network.cookieJar()) {
        for (const QByteArray& header : std::as_const(result.setCookies))
            jar->setCookiesFromUrl(QNetworkCookie::parseCookies(header), job.url);
    }
    QString error;
    switch (result.outcome) {
    case HttpFetcher::Outcome::Complete:
        if (result.status < 200 || result.status > 299)
            error = QStringLiteral("HTTP %1").arg(result.status);
        else if (result.body.isEmpty())
            error = QStringLiteral("空文件");
        break;
    case HttpFetcher::Outcome::TooLarge:
        finish(job.target, false,
               QStringLiteral("文件过大（超过 %1 字节）: %2").arg(m_maxBytes).arg(job.url.toString()));
        return;
    default:
        error = result.error;
    }
    if (!error.isEmpty()) {
        finish(job.target, false, job.url.toString() + QStringLiteral(": ") + error);
        return;
    }
    job.body = std::move(result.body);
    write(job);
}

/// Why the download may not start; nothing when it may.
std::optional<QString> Downloader::refusal(const Job& job) const
{
    if (!isWebAddress(job.url))
        return QStringLiteral("只能下载 http 或 https 地址: %1").arg(job.url.toString());
    // The rename at the end would replace a link rather than follow it, but a link planted in the cache
    // is refused outright, before anything is fetched for it.
    if (QFileInfo(job.target).isSymLink())
        return QStringLiteral("目标是符号链接，已拒绝写入: %1").arg(job.target);
    return std::nullopt;
}

Downloader::Job* Downloader::jobOf(QNetworkReply* reply)
{
    const auto found = m_byReply.find(reply);
    return found == m_byReply.end() ? nullptr : found->second;
}

void Downloader::onReadyRead(QNetworkReply* reply)
{
    Job* job = jobOf(reply);
    if (!job)
        return;
    if (job->body.size() + reply->bytesAvailable() > m_maxBytes) {
        finish(job->target, false,
               QStringLiteral("文件过大（超过 %1 字节）: %2").arg(m_maxBytes).arg(job->url.toString()));
        return;
    }
    if (job->body.isEmpty())
        job->body = reply->readAll(); // most pictures arrive in one piece: no copy
    else
        job->body += reply->readAll();
}

void Downloader::onFinished(QNetworkReply* reply)
{
    onReadyRead(reply);
    Job* job = jobOf(reply); // gone when the size cap ended it
    if (!job)
        return;
    const QString error = failure(*job);
    if (error.isEmpty())
        write(*job);
    else
        finish(job->target, false, job->url.toString() + QStringLiteral(": ") + error);
}

/// Hands the whole body to the writer and frees the transfer's place for the next download; the job
/// stays, so a download of the same target still shares it, until its file is written.
void Downloader::write(Job& job)
{
    QByteArray body = std::move(job.body);
    job.body = QByteArray();
    drop(job);
    job.writing = true;
    startWriter();
    QMetaObject::invokeMethod(
        m_writerContext,
        [this, target = job.target, id = job.id, body = std::move(body)] {
            const QString error = saveAtomically(target, body);
            QMetaObject::invokeMethod(
                this, [this, target, id, error] { written(target, id, error); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    startNext();
}

void Downloader::startWriter()
{
    // The writer's thread starts with the first file: a run that downloads nothing starts none.
    if (m_writer.isRunning())
        return;
    m_writerContext->moveToThread(&m_writer);
    connect(&m_writer, &QThread::finished, m_writerContext, &QObject::deleteLater);
    m_writer.start();
}

void Downloader::written(const QString& target, quint64 id, const QString& error)
{
    const auto found = m_jobs.find(target);
    // Cancelled while its file was written (and perhaps asked for anew): nobody waits for this answer.
    if (found == m_jobs.end() || found->second->id != id)
        return;
    finish(target, error.isEmpty(),
           error.isEmpty() ? QString() : found->second->url.toString() + QStringLiteral(": ") + error);
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
    if (job.body.isEmpty())
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
    drop(*job);
    // The job is out of the table first: a callback may download the same target again.
    for (Waiter& waiter : job->waiters) {
        if (!waiter.hasContext || waiter.context)
            waiter.done(ok, error);
    }
    startNext();
}

void Downloader::drop(Job& job)
{
    if (job.fetching) {
        --m_running;
        m_byFetch.erase(job.id);
        m_fetcher->abort(job.id);
        job.fetching = false;
    }
    if (job.reply) {
        --m_running;
        m_byReply.erase(job.reply);
        job.reply->disconnect(this);
        job.reply->abort();
        job.reply->deleteLater();
        job.reply = nullptr;
    }
    job.body.clear();
}

void Downloader::cancel(const QObject* owner)
{
    QSet<QString> stopped;
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
        stopped.insert(it->first);
        it = m_jobs.erase(it);
    }
    if (stopped.empty())
        return;
    // One pass over the queue: a search cancelled with a thousand pictures queued drops them all at once.
    std::erase_if(m_queue, [&stopped](const QString& target) { return stopped.contains(target); });
    startNext();
}

void Downloader::cancelAll()
{
    m_queue.clear();
    const auto jobs = std::move(m_jobs);
    m_jobs.clear();
    for (const auto& [target, job] : jobs)
        drop(*job);
    m_byReply.clear();
    m_byFetch.clear();
    m_running = 0;
}

} // namespace vorbel
