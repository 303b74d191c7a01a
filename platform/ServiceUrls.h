#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <utility>

namespace vorbel {

/// Where the search service and the update host live (fixed when the program is built).
struct ServiceConfig
{
    QString serviceBase = QStringLiteral(VORBEL_SERVICE_URL);
    QString updateBase = QStringLiteral(VORBEL_UPDATE_URL);
};

/// base + path + "?" + the query in the given order, each value percent-encoded as UTF-8, so a keyword
/// holding "&", "#", "+", "%" or blanks reaches the service whole.
QUrl serviceUrl(const QString& base, const QString& path, const QList<std::pair<QString, QString>>& query);

} // namespace vorbel
