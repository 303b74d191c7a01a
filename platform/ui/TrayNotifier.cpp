#include "platform/ui/TrayNotifier.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

namespace vorbel {

TrayNotifier::TrayNotifier(const QIcon& icon, QObject* parent) : QObject(parent)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(icon, this);
    m_tray->setToolTip(QCoreApplication::applicationName());
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, [this] { activated(); });
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            activated();
    });
    m_tray->show();
}

void TrayNotifier::notify(const QString& title, const QString& text)
{
    if (m_tray)
        m_tray->showMessage(title, text, QSystemTrayIcon::Information);
}

} // namespace vorbel
