#include "OfflineNetwork.h"

#include <QNetworkReply>
#include <QTimer>

namespace vorbel::fuzz {

namespace {

class FailedReply : public QNetworkReply
{
public:
    FailedReply(QNetworkAccessManager::Operation op, const QNetworkRequest& request, QObject* parent)
        : QNetworkReply(parent)
    {
        setRequest(request);
        setUrl(request.url());
        setOperation(op);
        open(QIODevice::ReadOnly);
        setError(HostNotFoundError, QStringLiteral("offline"));
        QTimer::singleShot(0, this, [this] {
            setFinished(true);
            Q_EMIT errorOccurred(error());
            Q_EMIT finished();
        });
    }

    void abort() override {}
    qint64 bytesAvailable() const override { return 0; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
};

} // namespace

QNetworkReply* OfflineNetwork::createRequest(Operation op, const QNetworkRequest& request, QIODevice*)
{
    return new FailedReply(op, request, this); // owned by the network, deleted by its receiver
}

} // namespace vorbel::fuzz
