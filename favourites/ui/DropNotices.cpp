#include "favourites/ui/DropNotices.h"

#include "favourites/ui/FavouritesCommands.h"
#include "platform/MessageBoxes.h"
#include "platform/Notifier.h"

#include <QTimer>
#include <QWidget>

namespace vorbel {

DropNotices::DropNotices(const FeatureParts& parts, FavouritesCommands& commands, QWidget& window,
                         QObject* parent)
    : QObject(parent), m_parts(parts), m_commands(commands), m_window(window),
      m_alerts(new DropAlerts(parts.database, parts.services.network, parts.state, parts.services.config,
                              parts.services.clock, this)),
      m_timer(new QTimer(this))
{
    m_timer->setInterval(IntervalMs);
    connect(m_timer, &QTimer::timeout, m_alerts, &DropAlerts::check);
    connect(m_alerts, &DropAlerts::freshDrops, this, &DropNotices::announce);
}

DropNotices::~DropNotices()
{
    // The tray outlives the window; a click after it must not reach what is gone.
    m_parts.services.notifier.setActivationHandler({});
}

void DropNotices::start()
{
    Notifier& notifier = m_parts.services.notifier;
    if (!notifier.isAvailable())
        return;
    notifier.setActivationHandler([this] { showPriceDrops(); });
    m_alerts->check();
    m_timer->start();
}

void DropNotices::announce(const std::vector<PriceDrop>& drops)
{
    m_parts.services.notifier.notify(dropNoticeTitle(drops), dropNoticeText(drops));
}

void DropNotices::showPriceDrops()
{
    m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
    guarded(m_parts.services.messages, [this] { m_commands.btn3Click(); });
}

} // namespace vorbel
