#pragma once

#include "platform/MessageBoxes.h"
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

/// Opens a link in the system browser and says so when it could not: a refused or failed link is never
/// silent.
inline void openInBrowser(SystemBrowser& browser, MessageBoxes& messages, const QUrl& url)
{
    if (!browser.openUrl(url))
        messages.inform(QStringLiteral("无法在浏览器中打开网页: %1").arg(url.toDisplayString()),
                        MessageBoxes::Icon::Error);
}

} // namespace vorbel
