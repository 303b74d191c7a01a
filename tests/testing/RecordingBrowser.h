#pragma once

#include "platform/SystemBrowser.h"

#include <QList>

namespace vorbel::test {

/// Records the pages the program opens instead of opening them.
class RecordingBrowser : public SystemBrowser
{
public:
    bool openUrl(const QUrl& url) override
    {
        if (!isOpenableWebUrl(url))
            return false;
        m_opened << url;
        return true;
    }
    const QList<QUrl>& opened() const { return m_opened; }

private:
    QList<QUrl> m_opened;
};

} // namespace vorbel::test
