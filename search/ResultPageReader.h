#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QSet>
#include <QString>
#include <memory>
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

/// Reads a search result page into the result table, offer by offer, registers the keyword's pictures
/// and fetches the missing ones without blocking the window. Progress is reported in the page's order as
/// each offer's picture is done; the end comes after the last picture.
class ResultPageReader : public QObject
{
    Q_OBJECT
public:
    ResultPageReader(Database& db, StandingQueries& queries, AppState& state, PictureCache& cache,
                     Downloader& downloader, Clock& clock, QObject* parent = nullptr);
    ~ResultPageReader() override;

    /// Offers in a page's first part.
    static constexpr int FirstPartOffers = 60;
    /// Where a result page's first part ends in its body: just after the FirstPartOffers-th row's end
    /// tag; 0 when the body has no more rows than that.
    static qsizetype firstPartEnd(QByteArrayView body);

    /// Starts reading a page of the search mode; a read still pending is dropped first. Outside the search
    /// mode the page is ignored: nothing is stored and nothing is signalled.
    void read(const PageText& page);
    /// Reads the offers of the first part of a page of the search mode, parsed on its own while the
    /// whole page is still to be, so that a screen of offers shows that much sooner. The read() of the
    /// whole page that follows goes on after them, once it has found the part's lines in the whole
    /// page's; where they differ (the rest of a page can change how its start is parsed) the part's
    /// writes are undone and the whole page is read from its start. Nothing is reported in between.
    void readFirstPart(const PageText& part);
    /// Drops what is pending: no more progress, no end.
    void cancel();
    bool isReading() const { return m_reading; }

Q_SIGNALS:
    void progress(int position, const QString& label);
    /// Every offer is stored and every picture done; count is the number of offers stored.
    void finished(int count);
    /// A number cell that is not a number stopped the reading; the offers before it stay.
    void failed(const QString& message, int count);

private:
    struct Pending
    {
        QString label;
        bool done = false;
    };
    struct Sighting
    {
        QString cph, sjlx, jg;
    };
    struct FirstPart;

    /// Drops what is pending and starts a new reading.
    void begin();
    void countKeyword();
    void rememberRegistered();
    /// Undoes the first part's writes and forgets it.
    void undoFirstPart();
    Sighting readOffer(const PageText& page, int line);
    void registerPicture(const QString& cph, const QString& bh, const QString& xtp, int offer);
    void offerDone(int offer);
    void reportInOrder();
    bool isRegistered(const QString& cph) const;
    int storedCount() const;

    Database& m_db;
    StandingQueries& m_queries;
    AppState& m_state;
    PictureCache& m_cache;
    Downloader& m_downloader;
    Clock& m_clock;
    std::vector<Pending> m_offers;
    /// The first part read of the page whose whole is still to come.
    std::unique_ptr<FirstPart> m_firstPart;
    QSet<QString> m_registered;
    int m_emptyCells = 0;
    int m_reported = 0;
    bool m_reading = false;
    bool m_parsing = false;
    quint64 m_generation = 0;
};

} // namespace vorbel
