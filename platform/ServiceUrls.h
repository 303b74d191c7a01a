#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <utility>

namespace vorbel {

/// The search service's base address the program was built with.
QString builtServiceBase();
/// The update host's base address the program was built with.
QString builtUpdateBase();

/// Where the search service and the update host live (fixed when the program is built).
struct ServiceConfig
{
    QString serviceBase = builtServiceBase();
    QString updateBase = builtUpdateBase();
};

/// base + path + "?" + the query in the given order, each value percent-encoded as UTF-8, so a keyword
/// holding "&", "#", "+", "%" or blanks reaches the service whole.
QUrl serviceUrl(const QString& base, const QString& path, const QList<std::pair<QString, QString>>& query);

} // namespace vorbel
