#include "search/ResultPageReader.h"

#include "codec/FieldCipher.h"
#include "codec/TextHelpers.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/PageText.h"
#include "platform/WebAddress.h"
#include "search/PageCells.h"
#include "search/SearchTexts.h"
#include "session/AppState.h"
#include "store/Columns.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/PriceHistory.h"
#include "store/StandingQueries.h"
#include "store/Transaction.h"

#include <QFileInfo>

namespace vorbel {

namespace {

const QString& StartLabel = searchtext::Searching;
const QString& EndLabel = searchtext::SearchEnded;

void setIfPresent(StandingQuery& query, QLatin1String field, const QString& value)
{
    if (!value.isEmpty())
        query.setValue(field, value);
}

/// An offer's cells are the 13 lines after its row's line.
constexpr int OfferLookahead = 13;

bool isOfferStart(const PageText& page, int line)
{
    return page.line(line).contains(QLatin1String("<TR>"));
}

/// The lines among the first `lines` that hold an empty cell; the design reads offers only from a page
/// with more than one.
int emptyCells(const PageText& page, int lines)
{
    int count = 0;
    for (int i = 0; i < lines; ++i) {
        if (page.line(i).contains(QLatin1String("<TD></TD>")))
            ++count;
    }
    return count;
}

} // namespace

/// The page's transaction, begun with its first part, and a savepoint to undo the part back to.
struct ResultPageReader::FirstPart
{
    explicit FirstPart(Database& db) : rows(db), undo(db, "first_part") {}

    Transaction rows;
    Savepoint undo; // after rows: released before the transaction ends
    PageText part;
    /// The part's lines the reading looked at; the whole page must begin with the same.
    int checkedLines = 0;
    /// The first line the whole page's reading has to look at for offers.
    int nextLine = 0;
    /// The prices of the offers read, recorded with the whole page's.
    std::vector<Sighting> sightings;

    bool beginsPage(const PageText& page) const
    {
        if (page.count() < checkedLines)
            return false;
        for (int i = 0; i < checkedLines; ++i) {
            if (page.line(i) != part.line(i))
                return false;
        }
        return true;
    }
};

ResultPageReader::ResultPageReader(Database& db, StandingQueries& queries, AppState& state,
                                   PictureCache& cache, Downloader& downloader, Clock& clock, QObject* parent)
    : QObject(parent), m_db(db), m_queries(queries), m_state(state), m_cache(cache), m_downloader(downloader),
      m_clock(clock)
{
}

ResultPageReader::~ResultPageReader() = default;

qsizetype ResultPageReader::firstPartEnd(QByteArrayView body)
{
    // A row's end tag is ASCII in every charset a page may come in: no GBK trail byte is a '<' or '/'.
    static constexpr char EndTag[] = "</tr>";
    int rows = 0;
    const qsizetype last = body.size() - qsizetype(sizeof EndTag - 1);
    for (qsizetype at = 0; at <= last; ++at) {
        if (body[at] != '<' || body[at + 1] != '/' || (body[at + 2] | 0x20) != 't' ||
            (body[at + 3] | 0x20) != 'r' || body[at + 4] != '>')
            continue;
        if (++rows == FirstPartOffers) {
            const qsizetype end = at + qsizetype(sizeof EndTag - 1);
            return end < body.size() ? end : 0;
        }
    }
    return 0;
}

void ResultPageReader::cancel()
{
    ++m_generation;
    m_reading = false;
    m_parsing = false;
    m_offers.clear();
    // A first part whose whole page is not read keeps its offers, as a page stopped by an error does.
    m_firstPart.reset();
    // Only this reader's pictures stop; the favourites' and a large picture's downloads go on.
    m_downloader.cancel(this);
}

void ResultPageReader::begin()
{
    cancel();
    m_reading = true;
    m_reported = 0;
    Q_EMIT progress(10, StartLabel);
}

void ResultPageReader::readFirstPart(const PageText& part)
{
    if (m_state.PageMode != AppState::Search || !part.error().isEmpty())
        return;
    // The part's last line ends where the part was cut, and the whole page goes on differently there.
    const int checked = part.count() - 1;
    if (emptyCells(part, checked) <= 1)
        return;
    begin();
    m_parsing = true;
    try {
        // Everything the part writes, the keyword's count included, lies after the savepoint.
        m_firstPart = std::make_unique<FirstPart>(m_db);
        m_firstPart->part = part;
        m_firstPart->checkedLines = checked;
        countKeyword();
        rememberRegistered();
        int i = 0;
        for (; i + OfferLookahead < checked; ++i) {
            if (isOfferStart(part, i))
                m_firstPart->sightings.push_back(readOffer(part, i));
        }
        m_firstPart->nextLine = i;
    } catch (const std::exception&) {
        // The whole page meets the same cell and reports it; until then nothing of the part stays.
        if (m_firstPart)
            undoFirstPart();
        cancel();
    }
}

void ResultPageReader::undoFirstPart()
{
    m_firstPart->undo.rollBack();
    m_firstPart.reset();
    // The queries still hold the rows the part posted.
    m_queries.ADOQuery1.open();
    m_queries.ADOQuery2.open();
    m_queries.qry1.open();
}

void ResultPageReader::read(const PageText& page)
{
    // Pages of the favourites modes belong to no search; a search still fetching pictures goes on.
    if (m_state.PageMode != AppState::Search)
        return;
    if (m_firstPart && !m_firstPart->beginsPage(page))
        undoFirstPart();
    std::unique_ptr<FirstPart> first = std::move(m_firstPart);
    if (!first)
        begin();
    m_emptyCells = emptyCells(page, page.count() + 1);
    m_parsing = true;
    try {
        if (!first) {
            countKeyword();
            rememberRegistered();
        }
        // The prices are remembered in the page's own transaction: the file holds the page and its
        // prices together or neither.
        Transaction rows(m_db);
        PriceHistory history(m_db);
        PagePrices prices(history, m_clock.now());
        if (first) {
            for (const Sighting& seen : first->sightings)
                prices.record(seen.cph, seen.sjlx, seen.jg);
        }
        for (int i = first ? first->nextLine : 0; m_emptyCells > 1 && i <= page.count(); ++i) {
            if (isOfferStart(page, i)) {
                const Sighting seen = readOffer(page, i);
                prices.record(seen.cph, seen.sjlx, seen.jg);
            }
        }
        prices.flush();
        // Committed here rather than as the guard goes, so that a failed commit is reported as the
        // failure it is instead of passing for a stored list.
        rows.commit();
        if (first) {
            first->undo.release();
            first->rows.commit();
        }
    } catch (const std::exception& error) {
        // The rows posted before the error are committed as the transaction unwinds and stay.
        first.reset();
        m_parsing = false;
        const int count = m_queries.ADOQuery2.recordCount();
        cancel();
        Q_EMIT failed(QString::fromUtf8(error.what()), count);
        return;
    }
    m_parsing = false;
    reportInOrder();
}

void ResultPageReader::rememberRegistered()
{
    m_registered.clear();
    for (int row = 0; row < m_queries.qry1.recordCount(); ++row)
        m_registered.insert(m_queries.qry1.valueAt(row, column::tpid).toString());
}

void ResultPageReader::countKeyword()
{
    StandingQuery& words = m_queries.ADOQuery1;
    if (words.locate(column::word, m_state.SearchWord)) {
        words.edit();
        words.setValue(column::count, words.value(column::count).toInt() + 1);
    } else {
        words.append();
        words.setValue(column::word, m_state.SearchWord);
    }
    words.post();
}

ResultPageReader::Sighting ResultPageReader::readOffer(const PageText& page, int i)
{
    const auto cell = [&](int offset) { return cellValue(page.line(i + offset)); };
    const int bh = wholeNumber(cell(1));
    const QString cph = cell(2), cpmc = cell(3), xtp = cell(4), dtp = cell(5), rc = cell(6), jg = cell(7);
    const QString link = cell(8), sjlx = cell(9), cxsj = cell(10), hdxx = cell(11);
    const int count = rc.isEmpty() ? 0 : wholeNumber(rc);

    StandingQuery& results = m_queries.ADOQuery2;
    results.append();
    results.setValue(column::bh, bh);
    results.setValue(column::cxrq, daysSince18991230(m_clock.now()));
    setIfPresent(results, column::cph, cph);
    // Names and promotions as a browser shows them ("A&amp;B" is "A&B"); the link stays as the page gave it.
    const QString name = CellText(cpmc);
    if (!cpmc.isEmpty())
        results.setValue(column::cpmc, name);
    setIfPresent(results, column::xtp, xtp);
    setIfPresent(results, column::dtp, dtp);
    setIfPresent(results, column::rc, rc);
    setIfPresent(results, column::jg, jg);
    if (!link.isEmpty())
        results.setValue(column::cplj,
                         RewriteShopLink(HtmlToText(link), {m_state.LinkCodeA, m_state.LinkCodeB}));
    setIfPresent(results, column::sjlx, sjlx);
    setIfPresent(results, column::cxsj, cxsj);
    if (!hdxx.isEmpty())
        results.setValue(column::hdxx, CellText(hdxx));
    if (!rc.isEmpty()) {
        results.setValue(column::zpbz, GenuineBadge(count, sjlx, cpmc));
        results.setValue(column::pjjb, RatingStars(count, sjlx, cpmc));
    }
    const bool collected = page.line(i + 13).contains(QLatin1String("Yes"));
    results.setValue(column::check, collected ? searchtext::Collected : searchtext::NotCollected);
    results.post();

    const int offer = int(m_offers.size());
    m_offers.push_back(
        {QStringLiteral("正在进行智能比价搜索： （") + sjlx + QStringLiteral("） ") + name, false});
    registerPicture(cph, QString::number(bh), xtp, offer);
    return {cph, sjlx, jg};
}

void ResultPageReader::registerPicture(const QString& cph, const QString& bh, const QString& xtp, int offer)
{
    // A keyword seen for the first time registers every offer; a known keyword only its new products.
    if (!m_state.PicturesKnown || !isRegistered(cph)) {
        StandingQuery& pictures = m_queries.qry1;
        pictures.append();
        pictures.setValue(column::word, m_state.SearchWord);
        pictures.setValue(column::tpid, cph);
        pictures.setValue(column::bh, bh);
        pictures.post();
        m_registered.insert(cph);
    }
    const std::optional<QString> file = m_cache.smallPicturePath(cph);
    if (!file || QFileInfo::exists(*file) || !isWebAddress(xtp)) {
        m_offers[offer].done = true;
        return;
    }
    const quint64 generation = m_generation;
    // A failed picture does not end the search; the next search of the keyword fetches it again.
    m_downloader.download(QUrl(xtp), *file, this, [this, generation, offer](bool, const QString&) {
        if (generation == m_generation)
            offerDone(offer);
    });
}

int ResultPageReader::storedCount() const
{
    // The stored result, not the rows the shop boxes let through: unticking every shop empties the list
    // shown, not the search.
    try {
        const ResultSet count = m_db.select(QStringLiteral("select count(*) from cxnr"));
        return count.rows.empty() ? 0 : count.rows.front().value(0).toInt();
    } catch (const StoreError&) {
        return m_queries.ADOQuery2.recordCount(); // the end may come from a picture's callback
    }
}

bool ResultPageReader::isRegistered(const QString& cph) const
{
    return m_registered.contains(cph);
}

void ResultPageReader::offerDone(int offer)
{
    if (offer < 0 || offer >= int(m_offers.size()))
        return;
    m_offers[offer].done = true;
    if (!m_parsing)
        reportInOrder();
}

void ResultPageReader::reportInOrder()
{
    const int total = int(m_offers.size());
    while (m_reported < total && m_offers[m_reported].done) {
        ++m_reported;
        Q_EMIT progress(10 + 100 * m_reported / m_emptyCells, m_offers[m_reported - 1].label);
    }
    if (m_reported < total || !m_reading)
        return;
    m_reading = false;
    m_queries.ADOQuery2.first();
    Q_EMIT progress(100, EndLabel);
    Q_EMIT finished(storedCount());
}

} // namespace vorbel
