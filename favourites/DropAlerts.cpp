#include "favourites/DropAlerts.h"

#include "codec/TextHelpers.h"
#include "favourites/FavouritesTexts.h"
#include "platform/Clock.h"
#include "platform/PageLoader.h"
#include "platform/PageText.h"
#include "results/PriceMarks.h"
#include "search/PageCells.h"
#include "session/AppState.h"
#include "store/Database.h"
#include "store/PriceHistory.h"
#include "store/StoreError.h"
#include "store/Transaction.h"

#include <QSet>
#include <algorithm>

namespace vorbel {

namespace {

// Where the fields stand among a favourites row's twelve cells.
constexpr int ProductCell = 3;
constexpr int NameCell = 4;
constexpr int CollectedCell = 8;
constexpr int CurrentCell = 9;
constexpr int ShopCell = 11;
constexpr int RowCells = 12;
const QString HeaderMark = QStringLiteral("序列");

/// Calls row(line) for every row of the list's table, header row excluded.
template <typename Row> void forEachListRow(const PageText& page, Row&& row)
{
    bool header = false;
    for (int i = 0; i <= page.count() && !header; ++i)
        header = page.line(i).contains(HeaderMark);
    if (!header)
        return;
    for (int i = 0; i <= page.count(); ++i)
        if (page.line(i).contains(QLatin1String("<TR>")) && !page.line(i + 1).contains(HeaderMark))
            row(i);
}

QString cell(const PageText& page, int row, int index)
{
    return cellValue(page.line(row + 1 + index));
}

} // namespace

std::vector<PriceDrop> readPriceDrops(const PageText& page)
{
    std::vector<PriceDrop> drops;
    forEachListRow(page, [&](int row) {
        PriceDrop drop{cell(page, row, ProductCell), cell(page, row, ShopCell),
                       CellText(cell(page, row, NameCell)), cell(page, row, CollectedCell),
                       cell(page, row, CurrentCell)};
        const std::optional<qint64> collected = pricemark::parseDecimal(drop.collectedPrice);
        const std::optional<qint64> current = pricemark::parseDecimal(drop.currentPrice);
        if (drop.cph.isEmpty() || !collected || !current || *current >= *collected)
            return;
        drop.fallMicros = *collected - *current;
        drops.push_back(std::move(drop));
    });
    return drops;
}

QString dropNoticeTitle(const std::vector<PriceDrop>& drops)
{
    return favouritetext::DropNoticeTitle.arg(drops.size());
}

QString dropNoticeText(const std::vector<PriceDrop>& drops)
{
    if (drops.empty())
        return {};
    // The first of equal falls, so the text does not depend on how the sort treats ties.
    const auto largest =
        std::max_element(drops.begin(), drops.end(),
                         [](const PriceDrop& a, const PriceDrop& b) { return a.fallMicros < b.fallMicros; });
    const QString fall = pricemark::changeMark(largest->collectedPrice, largest->currentPrice)->text;
    return favouritetext::DropNoticeLargest.arg(largest->name, largest->collectedPrice, largest->currentPrice,
                                                fall);
}

std::vector<PriceDrop> DropAnnouncements::fresh(const std::vector<PriceDrop>& drops)
{
    std::vector<PriceDrop> unseen;
    QSet<std::pair<QString, QString>> listed; // an offer listed twice is one drop
    for (const PriceDrop& drop : drops) {
        if (listed.contains({drop.cph, drop.sjlx}))
            continue;
        listed.insert({drop.cph, drop.sjlx});
        const ResultSet found =
            m_db.select(QStringLiteral("select 1 from jgtz where cph = ? and sjlx = ? and jg = ? limit 1"),
                        {drop.cph, drop.sjlx.isNull() ? QStringLiteral("") : drop.sjlx, drop.currentPrice});
        if (found.rows.empty())
            unseen.push_back(drop);
    }
    return unseen;
}

void DropAnnouncements::remember(const std::vector<PriceDrop>& drops, const QDateTime& time)
{
    for (const PriceDrop& drop : drops)
        m_db.exec(QStringLiteral("insert into jgtz (cph, sjlx, jg, sj) values (?, ?, ?, ?)"),
                  {drop.cph, drop.sjlx.isNull() ? QStringLiteral("") : drop.sjlx, drop.currentPrice,
                   PriceHistory::timeText(time)});
}

int DropAnnouncements::prune(const QDateTime& now)
{
    return m_db.exec(QStringLiteral("delete from jgtz where sj < ?"),
                     {PriceHistory::timeText(now.addYears(-PriceHistory::KeptYears))});
}

DropAlerts::DropAlerts(Database& db, QNetworkAccessManager& network, const AppState& state,
                       ServiceConfig config, Clock& clock, QObject* parent)
    : QObject(parent), m_db(db), m_state(state), m_config(std::move(config)), m_clock(clock),
      m_loader(new PageLoader(network, this))
{
    connect(m_loader, &PageLoader::DocumentComplete, this, &DropAlerts::pageComplete);
}

DropAlerts::~DropAlerts() = default;

void DropAlerts::check()
{
    if (m_state.UserId.isEmpty())
        return;
    m_loader->Navigate(serviceUrl(m_config.serviceBase, QStringLiteral("/ListAllMyFav.aspx"),
                                  {{QStringLiteral("u"), m_state.UserId},
                                   {QStringLiteral("p"), m_state.UserPassword},
                                   {QStringLiteral("d"), QStringLiteral("down")}}));
}

bool DropAlerts::isChecking() const
{
    return m_loader->isLoading();
}

void DropAlerts::pageComplete()
{
    // A failed or cut page may name a drop that is not one, or miss the one that matters: wait for the next.
    if (!m_loader->errorText().isEmpty()) {
        Q_EMIT checked(0);
        return;
    }
    const PageText& page = m_loader->page();
    const QDateTime now = m_clock.now();
    std::vector<PriceDrop> unseen;
    try {
        Transaction transaction(m_db);
        PriceHistory history(m_db);
        PagePrices prices(history, now);
        forEachListRow(page, [&](int row) {
            prices.record(cell(page, row, ProductCell), cell(page, row, ShopCell),
                          cell(page, row, CurrentCell));
        });
        DropAnnouncements announcements(m_db);
        unseen = announcements.fresh(readPriceDrops(page));
        announcements.remember(unseen, now);
        transaction.commit();
    } catch (const StoreError&) {
        // Quiet by design: a store that cannot be written now is reported by the commands the user gives.
        Q_EMIT checked(0);
        return;
    }
    if (!unseen.empty())
        Q_EMIT freshDrops(unseen);
    Q_EMIT checked(int(unseen.size()));
}

} // namespace vorbel
