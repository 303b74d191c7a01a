#pragma once

#include "platform/ServiceUrls.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

class QNetworkAccessManager;

namespace vorbel {

class Clock;
class Database;
class PageLoader;
class PageText;
struct AppState;

/// A favourite whose price fell below the price it was collected at.
struct PriceDrop
{
    QString cph;
    QString sjlx;
    QString name; ///< as a browser shows it
    QString collectedPrice;
    QString currentPrice;
    qint64 fallMicros = 0; ///< collected minus current, in millionths of a yuan
};

/// The rows of a price-drop page in its order, read without touching the favourites table. A row whose
/// prices are no numbers, or show no fall, is no drop; a page without the list's header gives none.
std::vector<PriceDrop> readPriceDrops(const PageText& page);

/// The notification's title and text for fresh drops (at least one): how many, and the largest fall.
QString dropNoticeTitle(const std::vector<PriceDrop>& drops);
QString dropNoticeText(const std::vector<PriceDrop>& drops);

/// The drops already announced, kept in jgtz so that a drop is announced once, also across restarts: an
/// offer at a price. The same offer falling further is a new drop.
class DropAnnouncements
{
public:
    explicit DropAnnouncements(Database& db) : m_db(db) {}

    /// The drops not announced before, in their order. Throws StoreError.
    std::vector<PriceDrop> fresh(const std::vector<PriceDrop>& drops);
    /// Keeps the drops as announced at that time. Throws StoreError.
    void remember(const std::vector<PriceDrop>& drops, const QDateTime& time);
    /// Forgets announcements older than the price memory keeps its rows; returns how many. Throws StoreError.
    int prune(const QDateTime& now);

private:
    Database& m_db;
};

/// The quiet check for price drops: loads the price-drop list on a loader of its own, records its current
/// prices in the price memory, and reports the drops not announced before. The favourites table, the
/// views and the displays are never touched. A check asked for while one is under way replaces it.
class DropAlerts : public QObject
{
    Q_OBJECT
public:
    DropAlerts(Database& db, QNetworkAccessManager& network, const AppState& state, ServiceConfig config,
               Clock& clock, QObject* parent = nullptr);
    ~DropAlerts() override;

    /// Starts a check; does nothing until the identity is known.
    void check();
    bool isChecking() const;

Q_SIGNALS:
    /// Drops not announced before; they now count as announced.
    void freshDrops(const std::vector<PriceDrop>& drops);
    /// A check ended, with or without fresh drops (also when the page failed).
    void checked(int fresh);

private:
    void pageComplete();

    Database& m_db;
    const AppState& m_state;
    ServiceConfig m_config;
    Clock& m_clock;
    PageLoader* m_loader;
};

} // namespace vorbel
