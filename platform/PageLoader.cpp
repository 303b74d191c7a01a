#include "platform/PageLoader.h"

#include "platform/PageDecoder.h"
#include "platform/WebAddress.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace vorbel {

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
    m_loading = true;
    const quint64 generation = ++m_generation;
    if (!isWebAddress(url)) {
        // Only web pages are loaded; anything else completes as an empty page, after the caller returns.
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_generation)
                complete(PageText(), QStringLiteral("不支持的地址: %1").arg(m_url.toString()));
        });
        return;
    }
    QNetworkRequest request(url);
    // Redirects are followed to other hosts too, but never from https down to http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(m_stallMs);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &PageLoader::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PageLoader::onFinished);
}

void PageLoader::cancel()
{
    ++m_generation; // a queued completion of an earlier Navigate no longer fires
    m_loading = false;
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
    if (m_body.size() > m_maxBodyBytes) {
        cancel();
        m_body.clear();
        complete(PageText(), QStringLiteral("页面过大（超过 %1 字节），已停止读取。").arg(m_maxBodyBytes));
    }
}

void PageLoader::onFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply.clear();
    reply->deleteLater();
    m_body += reply->readAll();
    if (m_body.size() > m_maxBodyBytes) {
        m_body.clear();
        complete(PageText(), QStringLiteral("页面过大（超过 %1 字节），已停止读取。").arg(m_maxBodyBytes));
        return;
    }
    const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    const QByteArray charset = PageDecoder::headerCharset(contentType);
    if (reply->error() == QNetworkReply::NoError && !handOverFirstPart(charset))
        return;
    PageText page = PageText::fromHtml(m_body, charset);
    m_body.clear();
    const QString error = reply->error() == QNetworkReply::NoError ? page.error() : reply->errorString();
    complete(std::move(page), error);
}

bool PageLoader::handOverFirstPart(QByteArrayView charset)
{
    const qsizetype end = m_firstPartEnd ? m_firstPartEnd(m_body) : 0;
    if (end <= 0 || end >= m_body.size())
        return true;
    const quint64 generation = m_generation;
    Q_EMIT FirstPartComplete(PageText::fromHtml(QByteArrayView(m_body).first(end), charset));
    return generation == m_generation;
}

void PageLoader::complete(PageText page, QString error)
{
    m_loading = false;
    m_page = std::move(page);
    m_error = std::move(error);
    Q_EMIT DocumentComplete();
}

void sendRequest(QNetworkAccessManager& network, QObject* owner, const QUrl& url)
{
    auto* loader = new PageLoader(network, owner);
    QObject::connect(loader, &PageLoader::DocumentComplete, loader, &QObject::deleteLater);
    loader->Navigate(url);
}

} // namespace vorbel
