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

} // namespace

ResultPageReader::ResultPageReader(Database& db, StandingQueries& queries, AppState& state,
                                   PictureCache& cache, Downloader& downloader, Clock& clock, QObject* parent)
    : QObject(parent), m_db(db), m_queries(queries), m_state(state), m_cache(cache), m_downloader(downloader),
      m_clock(clock)
{
}

void ResultPageReader::cancel()
{
    ++m_generation;
    m_reading = false;
    m_offers.clear();
    // Only this reader's pictures stop; the favourites' and a large picture's downloads go on.
    m_downloader.cancel(this);
}

void ResultPageReader::read(const PageText& page)
{
    // Pages of the favourites modes belong to no search; a search still fetching pictures goes on.
    if (m_state.PageMode != AppState::Search)
        return;
    cancel();
    m_reading = true;
    m_reported = 0;
    m_emptyCells = 0;
    Q_EMIT progress(10, StartLabel);
    for (int i = 0; i <= page.count(); ++i) {
        if (page.line(i).contains(QLatin1String("<TD></TD>")))
            ++m_emptyCells;
    }
    m_parsing = true;
    try {
        countKeyword();
        rememberRegistered();
        // The prices are remembered in the page's own transaction: the file holds the page and its
        // prices together or neither.
        Transaction rows(m_db);
        PriceHistory history(m_db);
        PagePrices prices(history, m_clock.now());
        for (int i = 0; m_emptyCells > 1 && i <= page.count(); ++i) {
            if (page.line(i).contains(QLatin1String("<TR>")))
                readOffer(page, i, prices);
        }
        prices.flush();
        // Committed here rather than as the guard goes, so that a failed commit is reported as the
        // failure it is instead of passing for a stored list.
        rows.commit();
    } catch (const std::exception& error) {
        // The rows posted before the error are committed as the transaction unwinds and stay.
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

void ResultPageReader::readOffer(const PageText& page, int i, PagePrices& prices)
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
    prices.record(cph, sjlx, jg);

    const int offer = int(m_offers.size());
    m_offers.push_back(
        {QStringLiteral("正在进行智能比价搜索： （") + sjlx + QStringLiteral("） ") + name, false});
    registerPicture(cph, QString::number(bh), xtp, offer);
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
