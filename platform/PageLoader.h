#pragma once

#include "platform/PageText.h"

#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace vorbel {

/// The hidden browser's part: loads one page at a time over HTTP(S), following redirects as a browser
/// does, and hands over its page text. DocumentComplete fires once per completed load, also when the
/// network or the server failed; the page then holds the error body, or nothing, and errorText() says
/// what went wrong. A new Navigate cancels the load in flight, whose completion then never fires.
class PageLoader : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxRedirects = 10;
    static constexpr int DefaultStallMs = 30000;

    explicit PageLoader(QNetworkAccessManager& network, QObject* parent = nullptr);
    ~PageLoader() override;

    /// Starts loading url. Anything but http and https completes, after the caller returns, as an
    /// empty page.
    void Navigate(const QUrl& url);

    const PageText& page() const { return m_page; }
    QUrl url() const { return m_url; }
    bool isLoading() const { return m_loading; }
    QString errorText() const { return m_error; }

    /// A body over this many bytes is not read on; the load completes with an empty page.
    void setMaxBodyBytes(qint64 bytes) { m_maxBodyBytes = bytes; }
    /// A transfer that makes no progress for this long fails.
    void setStallTimeout(int milliseconds) { m_stallMs = milliseconds; }
    /// Given the body of every page that arrived whole; a length between 0 and the body's size makes the
    /// loader parse that much of it on its own first and hand it over through FirstPartComplete, before
    /// the whole page.
    void setFirstPartEnd(std::function<qsizetype(QByteArrayView body)> end)
    {
        m_firstPartEnd = std::move(end);
    }

Q_SIGNALS:
    /// The page text of the first part of a body, as setFirstPartEnd cut it; DocumentComplete follows
    /// with the whole page, unless a receiver navigates elsewhere.
    void FirstPartComplete(const PageText& part);
    void DocumentComplete();

private:
    void cancel();
    void onReadyRead();
    void onFinished();
    void complete(PageText page, QString error);
    /// Hands over the body's first part; false when a receiver started another load meanwhile.
    bool handOverFirstPart(QByteArrayView charset);

    QNetworkAccessManager& m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QUrl m_url;
    PageText m_page;
    QString m_error;
    quint64 m_generation = 0;
    bool m_loading = false;
    qint64 m_maxBodyBytes = PageText::MaxBodyBytes;
    int m_stallMs = DefaultStallMs;
    std::function<qsizetype(QByteArrayView)> m_firstPartEnd;
};

/// Sends one request whose answer nobody reads (collect, delete), on a loader of its own that goes when
/// the answer is in or when owner goes: a second request right after never cancels the first.
void sendRequest(QNetworkAccessManager& network, QObject* owner, const QUrl& url);

} // namespace vorbel
