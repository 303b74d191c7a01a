#pragma once

#include <QNetworkAccessManager>

namespace vorbel::fuzz {

/// A network that reaches nothing: every request fails with "host not found" on the next turn of the
/// event loop, so fuzzed pages exercise the download failure paths without leaving the process.
class OfflineNetwork : public QNetworkAccessManager
{
public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request,
                                 QIODevice* outgoingData) override;
};

} // namespace vorbel::fuzz
