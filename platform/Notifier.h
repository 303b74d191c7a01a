#pragma once

#include <QString>
#include <functional>

namespace vorbel {

/// The desktop's notifications: a message from the program's icon in the system tray. Not every desktop
/// has a tray; the program then simply notifies no one.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual bool isAvailable() const = 0;
    /// Shows a message; does nothing when no tray is available.
    virtual void notify(const QString& title, const QString& text) = 0;
    /// What clicking the message or the icon does.
    void setActivationHandler(std::function<void()> handler) { m_activated = std::move(handler); }

protected:
    void activated() const
    {
        if (m_activated)
            m_activated();
    }

private:
    std::function<void()> m_activated;
};

} // namespace vorbel
