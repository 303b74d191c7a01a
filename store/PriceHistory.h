#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>
#include <vector>

namespace vorbel {

class Database;

/// One row of an offer's price history: a price and the span of time it was seen at.
struct PriceRecord
{
    QString price;     ///< as the page gave it; may be no number at all ("面议", empty)
    QString firstSeen; ///< "yyyy-MM-dd HH:mm:ss", local time
    QString lastSeen;  ///< same form
};

/// The prices every offer (product id, shop) has been seen at, kept in jgls across restarts. It lives in
/// the store rather than beside the readers because both the search and the favourites record into it and
/// the grids read it; so it takes times as values, and the readers pass their clock's.
class PriceHistory
{
public:
    /// How long a row is kept after it was last seen.
    static constexpr int KeptYears = 2;

    explicit PriceHistory(Database& db) : m_db(db) {}

    /// The offer was seen at price at the time: a new row when the offer is new or its price differs from
    /// its latest row, else only that row's last-seen time moves on. Runs inside the caller's transaction
    /// when one is open. An offer without product id is not recorded. Throws StoreError.
    void record(const QString& cph, const QString& sjlx, const QString& price, const QDateTime& time);
    /// One sighting of an offer at a price.
    struct Sighting
    {
        QString cph;
        QString sjlx;
        QString price;
    };
    /// record() for many offers at one time, each offer once (a later sighting of an offer already in the
    /// list is ignored), with a few statements per few hundred offers rather than two per offer.
    void recordAll(const std::vector<Sighting>& sightings, const QDateTime& time);
    /// The offer's rows, oldest first. Throws StoreError.
    std::vector<PriceRecord> history(const QString& cph, const QString& sjlx);
    /// An offer: its product id and its shop.
    using Offer = std::pair<QString, QString>;
    /// The rows of each offer as history() gives them, read with one statement per few hundred products
    /// rather than one per offer; offers without rows are left out. Throws StoreError.
    QHash<Offer, std::vector<PriceRecord>> histories(const QList<Offer>& offers);
    /// Database::changeStamp of the file the history is kept in: while it stays, so do the histories.
    quint64 changeStamp();
    /// Removes the rows last seen more than KeptYears before now; returns how many. Throws StoreError.
    int prune(const QDateTime& now);

    static QString timeText(const QDateTime& time);

private:
    Database& m_db;
};

/// The recording of one page or list: every offer once, at the page's one time. Within a page the first
/// price of an offer counts, so a page that lists an offer a thousand times records it once. The offers
/// are written together by flush(), which the reader calls inside the page's transaction before it
/// commits; whatever is left is flushed when the recording goes, so a reading stopped by an error still
/// records the offers it posted, as the transaction unwinds (an error of that flush is only logged).
class PagePrices
{
public:
    PagePrices(PriceHistory& history, QDateTime time) : m_history(history), m_time(std::move(time)) {}
    ~PagePrices();
    PagePrices(const PagePrices&) = delete;
    PagePrices& operator=(const PagePrices&) = delete;

    void record(const QString& cph, const QString& sjlx, const QString& price);
    /// Writes the offers recorded since the last flush. Throws StoreError.
    void flush();

private:
    PriceHistory& m_history;
    QDateTime m_time;
    QSet<std::pair<QString, QString>> m_recorded;
    std::vector<PriceHistory::Sighting> m_pending;
};

} // namespace vorbel

namespace vorbel {

/// The price the offer was collected at, when the favourites list last read holds it. Throws StoreError.
std::optional<QString> collectedPriceOf(Database& db, const QString& cph, const QString& sjlx);

} // namespace vorbel
