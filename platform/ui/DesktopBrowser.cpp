#include "platform/ui/DesktopBrowser.h"

#include <QDesktopServices>

namespace vorbel {

bool DesktopBrowser::openWebPage(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace vorbel
