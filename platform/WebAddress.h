#pragma once

#include <QString>
#include <QUrl>

namespace vorbel {

/// The program's one rule for an address it fetches or opens: http or https, with a host.
inline bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

/// The same rule for a text taken from a page, which must also begin with the scheme itself: a relative or
/// padded text is never resolved into an address.
inline bool isWebAddress(const QString& text)
{
    return (text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
            text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) &&
           isWebAddress(QUrl(text));
}

} // namespace vorbel
