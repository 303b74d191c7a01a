#pragma once

#include <QUrl>

namespace vorbel {

/// Opens web pages in a window of the system browser.
class SystemBrowser
{
public:
    virtual ~SystemBrowser() = default;
    /// Opens url when isOpenableWebUrl allows it; false when refused or the platform failed.
    virtual bool openUrl(const QUrl& url) = 0;
};

/// A link taken from a page may only open a web page: http or https with a host and no user info, never a
/// local file or another handler.
inline bool isOpenableWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty() && url.userInfo().isEmpty();
}

} // namespace vorbel
