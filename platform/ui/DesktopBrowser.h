#pragma once

#include "platform/SystemBrowser.h"

namespace vorbel {

/// The system browser through the desktop's URL handler.
class DesktopBrowser : public SystemBrowser
{
protected:
    bool openWebPage(const QUrl& url) override;
};

} // namespace vorbel
