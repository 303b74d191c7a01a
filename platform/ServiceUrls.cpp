#include "platform/ServiceUrls.h"

namespace vorbel {

// The two addresses are set on this file alone by the build, so changing one rebuilds one file.
QString builtServiceBase()
{
    return QStringLiteral(VORBEL_SERVICE_URL);
}

QString builtUpdateBase()
{
    return QStringLiteral(VORBEL_UPDATE_URL);
}

QUrl serviceUrl(const QString& base, const QString& path, const QList<std::pair<QString, QString>>& query)
{
    QByteArray encoded;
    for (const auto& [key, value] : query) {
        if (!encoded.isEmpty())
            encoded += '&';
        encoded += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    QString text = base + path;
    if (!encoded.isEmpty())
        text += QLatin1Char('?') + QString::fromLatin1(encoded);
    return QUrl(text, QUrl::StrictMode);
}

} // namespace vorbel
