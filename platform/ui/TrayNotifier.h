#pragma once

#include "platform/Notifier.h"

#include <QObject>

class QIcon;
class QSystemTrayIcon;

namespace vorbel {

/// Notifications through the program's icon in the system tray, which stands there while the program
/// runs. Without a tray it is never made.
class TrayNotifier : public QObject, public Notifier
{
    Q_OBJECT
public:
    explicit TrayNotifier(const QIcon& icon, QObject* parent = nullptr);

    bool isAvailable() const override { return m_tray != nullptr; }
    void notify(const QString& title, const QString& text) override;

private:
    QSystemTrayIcon* m_tray = nullptr;
};

} // namespace vorbel
