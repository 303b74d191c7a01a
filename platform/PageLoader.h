#pragma once

#include "platform/PageText.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace vorbel {

/// The hidden browser's part: loads one page at a time over HTTP(S), following redirects, and hands over
/// its page text. DocumentComplete fires once per completed load, also when the network or the server
/// failed (then the page holds the error body, or nothing). A new Navigate cancels the load in flight.
class PageLoader : public QObject
{
    Q_OBJECT
public:
    explicit PageLoader(QNetworkAccessManager& network, QObject* parent = nullptr);
    ~PageLoader() override;

    void Navigate(const QUrl& url);

    const PageText& page() const { return m_page; }
    QUrl url() const { return m_url; }
    bool isLoading() const { return !m_reply.isNull(); }
    QString errorText() const { return m_error; }

Q_SIGNALS:
    void DocumentComplete();

private:
    void cancel();
    void onReadyRead();
    void onFinished();
    void complete(PageText page, QString error);

    QNetworkAccessManager& m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QUrl m_url;
    PageText m_page;
    QString m_error;
    quint64 m_generation = 0;
};

} // namespace vorbel
