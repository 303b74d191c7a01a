#include "platform/DesktopBrowser.h"

#include <QDesktopServices>

namespace vorbel {

bool DesktopBrowser::openUrl(const QUrl& url)
{
    return isOpenableWebUrl(url) && QDesktopServices::openUrl(url);
}

} // namespace vorbel
