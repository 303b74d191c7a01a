#pragma once

#include "favourites/DropAlerts.h"
#include "session/FeatureParts.h"

#include <QObject>

class QTimer;
class QWidget;

namespace vorbel {

class FavouritesCommands;

/// The price-drop notifications: a quiet check at start-up and then every hour, a notification when it
/// finds drops not announced before, and the price-drop list when the notification or the tray icon is
/// clicked. Without a tray nothing is checked and nothing shown.
class DropNotices : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalMs = 60 * 60 * 1000;

    DropNotices(const FeatureParts& parts, FavouritesCommands& commands, QWidget& window, QObject* parent);
    ~DropNotices() override;

    /// The first check now, the next ones every IntervalMs.
    void start();
    DropAlerts& alerts() const { return *m_alerts; }
    const QTimer& timer() const { return *m_timer; }

private:
    void announce(const std::vector<PriceDrop>& drops);
    void showPriceDrops();

    FeatureParts m_parts;
    FavouritesCommands& m_commands;
    QWidget& m_window;
    DropAlerts* m_alerts;
    QTimer* m_timer;
};

} // namespace vorbel
