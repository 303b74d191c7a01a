#include "favourites/FavouritesPageReader.h"

#include "app/AppState.h"
#include "app/UserBootstrap.h"
#include "codec/TextHelpers.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/PageText.h"
#include "search/PageCells.h"
#include "store/PictureCache.h"
#include "store/StandingQueries.h"

#include <QFileInfo>

namespace vorbel {

namespace {

const char* const RowFields[] = {"ufid", "user", "scid", "cph",  "cpmc", "xtp",
                                 "dtp",  "scsj", "scjg", "gxjg", "cplj", "sjlx"};
const QString HeaderMark = QStringLiteral("序列");

bool isWebUrl(const QString& text)
{
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

} // namespace

FavouritesPageReader::FavouritesPageReader(StandingQueries& queries, AppState& state, PictureCache& cache,
                                           Downloader& downloader, Clock& clock, QObject* parent)
    : QObject(parent), m_queries(queries), m_state(state), m_cache(cache), m_downloader(downloader),
      m_clock(clock)
{
}

void FavouritesPageReader::read(const PageText& page)
{
    m_rows.clear();
    m_reported = 0;
    m_tableRows = 0;
    m_state.PageRecognised = false;
    for (int j = 0; j <= page.count(); ++j) {
        const QString line = page.line(j);
        if (line.contains(HeaderMark) || (!m_state.UserId.isEmpty() && line.contains(m_state.UserId)))
            m_state.PageRecognised = true;
        if (line.contains(QLatin1String("<TR>")))
            ++m_tableRows;
    }
    applyUserBootstrap(page, m_queries.qry2, m_state);
    m_reading = true;
    m_parsing = true;
    for (int i = 0; m_tableRows > 1 && m_state.PageRecognised && i <= page.count(); ++i) {
        if (page.line(i).contains(QLatin1String("<TR>")) && !page.line(i + 1).contains(HeaderMark))
            readRow(page, i);
    }
    m_parsing = false;
    reportInOrder();
}

void FavouritesPageReader::readRow(const PageText& page, int i)
{
    StandingQuery& favourites = m_queries.ADOQuery3;
    favourites.append();
    favourites.setValue(QStringLiteral("scrq"), daysSince18991230(m_clock.now()));
    favourites.setValue(QStringLiteral("bz2"), QStringLiteral("删除收藏"));
    QString values[12];
    for (int cell = 0; cell < 12; ++cell) {
        values[cell] = cellValue(page.line(i + 1 + cell));
        if (values[cell].isEmpty())
            continue;
        const QString field = QString::fromLatin1(RowFields[cell]);
        favourites.setValue(
            field, field == QLatin1String("cplj")
                       ? RewriteShopLink(HtmlToText(values[cell]), {m_state.LinkCodeA, m_state.LinkCodeB})
                       : values[cell]);
    }
    favourites.post();

    const int row = int(m_rows.size());
    m_rows.push_back(
        {labelStem() + QStringLiteral("： （") + values[11] + QStringLiteral("） ") + values[4], false});
    const std::optional<QString> file = m_cache.smallPicturePath(values[3]);
    if (!file || QFileInfo::exists(*file) || !isWebUrl(values[5])) {
        m_rows[row].second = true;
        return;
    }
    m_downloader.download(QUrl(values[5]), *file, this, [this, row](bool, const QString&) { rowDone(row); });
}

QString FavouritesPageReader::labelStem() const
{
    return m_state.PageMode == AppState::PriceDrops ? QStringLiteral("正在获取商品降价通知")
                                                    : QStringLiteral("正在获取商品收藏夹数据");
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
    Q_EMIT progress(100, drops ? QStringLiteral("获取商品降价通知结束 ")
                               : QStringLiteral("获取商品收藏夹数据结束 "));
    m_queries.ADOQuery3.first();
    Q_EMIT finished(m_state.PageRecognised, m_queries.ADOQuery3.recordCount());
}

} // namespace vorbel
