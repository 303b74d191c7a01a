#pragma once

#include "platform/SystemBrowser.h"

#include <QList>

namespace vorbel::test {

/// Records the pages the program opens instead of opening them; what reaches it has passed the program's
/// own filter.
class RecordingBrowser : public SystemBrowser
{
public:
    const QList<QUrl>& opened() const { return m_opened; }

protected:
    bool openWebPage(const QUrl& url) override
    {
        m_opened << url;
        return true;
    }

private:
    QList<QUrl> m_opened;
};

} // namespace vorbel::test
