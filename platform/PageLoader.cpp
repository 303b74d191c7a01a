#include "platform/PageLoader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace vorbel {

namespace {

constexpr int MaxRedirects = 10;
constexpr int StallTimeoutMs = 30000;

bool isWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QByteArray headerCharset(const QNetworkReply& reply)
{
    const QByteArray type = reply.header(QNetworkRequest::ContentTypeHeader).toByteArray();
    const qsizetype at = type.toLower().indexOf("charset=");
    if (at < 0)
        return {};
    QByteArray charset = type.mid(at + 8);
    const qsizetype end = charset.indexOf(';');
    return (end < 0 ? charset : charset.left(end)).trimmed().replace('"', "");
}

} // namespace

PageLoader::PageLoader(QNetworkAccessManager& network, QObject* parent) : QObject(parent), m_network(network)
{
}

PageLoader::~PageLoader()
{
    cancel();
}

void PageLoader::Navigate(const QUrl& url)
{
    cancel();
    m_url = url;
    m_body.clear();
    const quint64 generation = ++m_generation;
    if (!isWebUrl(url)) {
        // Only web pages are loaded; anything else completes as an empty page, after the caller returns.
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_generation)
                complete(PageText(), QStringLiteral("不支持的地址: %1").arg(m_url.toString()));
        });
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(StallTimeoutMs);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &PageLoader::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PageLoader::onFinished);
}

void PageLoader::cancel()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply.clear();
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void PageLoader::onReadyRead()
{
    m_body += m_reply->readAll();
    if (m_body.size() > PageText::MaxBodyBytes) {
        cancel();
        m_body.clear();
        complete(PageText(), QStringLiteral("页面过大（超过 32 MiB），已停止读取。"));
    }
}

void PageLoader::onFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply.clear();
    reply->deleteLater();
    m_body += reply->readAll();
    PageText page = PageText::fromHtml(m_body, headerCharset(*reply));
    m_body.clear();
    const QString error = reply->error() == QNetworkReply::NoError ? page.error() : reply->errorString();
    complete(std::move(page), error);
}

void PageLoader::complete(PageText page, QString error)
{
    m_page = std::move(page);
    m_error = std::move(error);
    Q_EMIT DocumentComplete();
}

} // namespace vorbel
