#pragma once

#include <QObject>
#include <QString>
#include <vector>

namespace vorbel {

class Clock;
class Database;
class Downloader;
class PagePrices;
class PageText;
class PictureCache;
struct AppState;
struct StandingQueries;

/// Reads a favourites or price-drop page into the favourites table: recognises the page, supplies the
/// identity when it is still missing, stores one row per favourite and fetches missing small pictures
/// without blocking the window. The end comes after the last picture.
class FavouritesPageReader : public QObject
{
    Q_OBJECT
public:
    FavouritesPageReader(Database& db, StandingQueries& queries, AppState& state, PictureCache& cache,
                         Downloader& downloader, Clock& clock, QObject* parent = nullptr);

    /// Reads the page; finished says whether it was a favourites page at all. A read still pending is
    /// dropped first. The rows and the current prices they record are written in one transaction.
    /// arrivedWhole is false for an error page or a page cut short: its rows are still read, but it supplies
    /// no identity.
    void read(const PageText& page, bool arrivedWhole = true);
    /// Drops what is pending: its pictures stop, no more progress, no end.
    void cancel();
    bool isReading() const { return m_reading; }

Q_SIGNALS:
    void progress(int position, const QString& label);
    /// The page is stored and its pictures done.
    void finished(bool recognised, int count);

private:
    void readRow(const PageText& page, int line, PagePrices& prices);
    void rowDone(int row);
    void reportInOrder();
    QString labelStem() const;
    QString storedValue(QLatin1String field, const QString& cell) const;

    Database& m_db;
    StandingQueries& m_queries;
    AppState& m_state;
    PictureCache& m_cache;
    Downloader& m_downloader;
    Clock& m_clock;
    std::vector<std::pair<QString, bool>> m_rows; // label, picture done
    int m_tableRows = 0;
    int m_reported = 0;
    bool m_reading = false;
    bool m_parsing = false;
    quint64 m_generation = 0;
    bool m_recognised = false; ///< the page has the list's header or the user's identity
};

} // namespace vorbel
