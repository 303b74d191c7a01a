#pragma once

#include "platform/Notifier.h"

#include <QList>
#include <QString>
#include <utility>

namespace vorbel::test {

/// Records the notifications instead of showing them. Like a desktop without a tray until a test says it
/// has one; click() stands for the user clicking the notification.
class RecordingNotifier : public Notifier
{
public:
    void setAvailable(bool available) { m_available = available; }
    bool isAvailable() const override { return m_available; }
    void notify(const QString& title, const QString& text) override
    {
        if (m_available)
            m_shown.append({title, text});
    }
    /// Without a tray there is nothing to click.
    void click() const
    {
        if (m_available)
            activated();
    }
    const QList<std::pair<QString, QString>>& shown() const { return m_shown; }

private:
    bool m_available = false;
    QList<std::pair<QString, QString>> m_shown;
};

} // namespace vorbel::test
