#include "favourites/FavouritesPageReader.h"

#include "codec/TextHelpers.h"
#include "favourites/FavouritesTexts.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/PageText.h"
#include "platform/WebAddress.h"
#include "search/PageCells.h"
#include "session/AppState.h"
#include "session/UserBootstrap.h"
#include "store/Columns.h"
#include "store/Database.h"
#include "store/PictureCache.h"
#include "store/PriceHistory.h"
#include "store/StandingQueries.h"

#include <QFileInfo>

namespace vorbel {

namespace {

/// The fields of a favourites row, in the order of the page's cells.
constexpr QLatin1String RowFields[] = {column::ufid, column::user, column::scid, column::cph,
                                       column::cpmc, column::xtp,  column::dtp,  column::scsj,
                                       column::scjg, column::gxjg, column::cplj, column::sjlx};
const QString HeaderMark = QStringLiteral("序列");

} // namespace

FavouritesPageReader::FavouritesPageReader(Database& db, StandingQueries& queries, AppState& state,
                                           PictureCache& cache, Downloader& downloader, Clock& clock,
                                           QObject* parent)
    : QObject(parent), m_db(db), m_queries(queries), m_state(state), m_cache(cache), m_downloader(downloader),
      m_clock(clock)
{
}

void FavouritesPageReader::cancel()
{
    ++m_generation;
    m_reading = false;
    m_rows.clear();
    m_downloader.cancel(this);
}

void FavouritesPageReader::read(const PageText& page, bool arrivedWhole)
{
    cancel();
    m_reported = 0;
    m_tableRows = 0;
    m_recognised = false;
    for (int j = 0; j <= page.count(); ++j) {
        const QString line = page.line(j);
        if (line.contains(HeaderMark) || (!m_state.UserId.isEmpty() && line.contains(m_state.UserId)))
            m_recognised = true;
        if (line.contains(QLatin1String("<TR>")))
            ++m_tableRows;
    }
    if (arrivedWhole)
        applyUserBootstrap(page, m_queries.qry2, m_state);
    m_reading = true;
    m_parsing = true;
    {
        // Like the result page: whatever was posted before an error stops the reading stays, and so do
        // the prices those rows recorded, no more and no less.
        Transaction rows(m_db);
        PriceHistory history(m_db);
        PagePrices prices(history, m_clock.now());
        for (int i = 0; m_tableRows > 1 && m_recognised && i <= page.count(); ++i) {
            if (page.line(i).contains(QLatin1String("<TR>")) && !page.line(i + 1).contains(HeaderMark))
                readRow(page, i, prices);
        }
        prices.flush();
        rows.commit();
    }
    m_parsing = false;
    reportInOrder();
}

void FavouritesPageReader::readRow(const PageText& page, int i, PagePrices& prices)
{
    StandingQuery& favourites = m_queries.ADOQuery3;
    favourites.append();
    favourites.setValue(column::scrq, daysSince18991230(m_clock.now()));
    favourites.setValue(column::bz2, favouritetext::DeleteAction);
    QString values[12];
    for (int cell = 0; cell < 12; ++cell) {
        values[cell] = cellValue(page.line(i + 1 + cell));
        if (values[cell].isEmpty())
            continue;
        const QLatin1String field = RowFields[cell];
        favourites.setValue(field, storedValue(field, values[cell]));
    }
    favourites.post();
    // The current price is the one the list saw; the collected price is an old sighting it only repeats.
    prices.record(values[3], values[11], values[9]);

    const int row = int(m_rows.size());
    m_rows.push_back(
        {labelStem() + QStringLiteral("： （") + values[11] + QStringLiteral("） ") + CellText(values[4]),
         false});
    const std::optional<QString> file = m_cache.smallPicturePath(values[3]);
    if (!file || QFileInfo::exists(*file) || !isWebAddress(values[5])) {
        m_rows[row].second = true;
        return;
    }
    const quint64 generation = m_generation;
    m_downloader.download(QUrl(values[5]), *file, this, [this, generation, row](bool, const QString&) {
        if (generation == m_generation)
            rowDone(row);
    });
}

QString FavouritesPageReader::storedValue(QLatin1String field, const QString& cell) const
{
    if (field == column::cplj)
        return RewriteShopLink(HtmlToText(cell), {m_state.LinkCodeA, m_state.LinkCodeB});
    // The name as a browser shows it, not its markup: "A&amp;B" is "A&B", "<b>粗</b>" is "粗".
    if (field == column::cpmc)
        return CellText(cell);
    return cell;
}

QString FavouritesPageReader::labelStem() const
{
    return m_state.PageMode == AppState::PriceDrops ? favouritetext::PriceDropsLabel
                                                    : favouritetext::FavouritesLabel;
}

void FavouritesPageReader::rowDone(int row)
{
    if (!m_reading || row >= int(m_rows.size()))
        return;
    m_rows[row].second = true;
    if (!m_parsing)
        reportInOrder();
}

void FavouritesPageReader::reportInOrder()
{
    const int total = int(m_rows.size());
    while (m_reported < total && m_rows[m_reported].second) {
        ++m_reported;
        Q_EMIT progress(m_reported * 100 / m_tableRows + 10, m_rows[m_reported - 1].first);
    }
    if (m_reported < total || !m_reading)
        return;
    m_reading = false;
    const bool drops = m_state.PageMode == AppState::PriceDrops;
    Q_EMIT progress(100, drops ? favouritetext::PriceDropsEnded : favouritetext::FavouritesEnded);
    m_queries.ADOQuery3.first();
    Q_EMIT finished(m_recognised, m_queries.ADOQuery3.recordCount());
}

} // namespace vorbel
