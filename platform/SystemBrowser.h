#pragma once

#include "platform/WebAddress.h"

#include <QUrl>

namespace vorbel {

/// Opens web pages in a window of the system browser.
class SystemBrowser
{
public:
    virtual ~SystemBrowser() = default;
    /// Opens url when isOpenableWebUrl allows it; false when refused or the platform failed.
    bool openUrl(const QUrl& url);

protected:
    /// Opens a web page that has passed the filter.
    virtual bool openWebPage(const QUrl& url) = 0;
};

/// A link taken from a page may only open a web page: http or https with a host and no user info, never a
/// local file or another handler.
inline bool isOpenableWebUrl(const QUrl& url)
{
    return isWebAddress(url) && url.userInfo().isEmpty();
}

inline bool SystemBrowser::openUrl(const QUrl& url)
{
    return isOpenableWebUrl(url) && openWebPage(url);
}

} // namespace vorbel
