#include "store/PriceHistory.h"

#include "store/Database.h"

#include <QStringList>
#include <algorithm>

namespace vorbel {

namespace {

/// Never a null text: a null binds as NULL, which "sjlx = ?" never matches, so an offer without a shop
/// would gain a row at every sighting.
QString bound(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

QString PriceHistory::timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void PriceHistory::record(const QString& cph, const QString& sjlx, const QString& price,
                          const QDateTime& time)
{
    if (cph.isEmpty())
        return;
    const QString now = timeText(time);
    const ResultSet latest = m_db.select(
        QStringLiteral(
            "select rowid, jg from jgls where cph = ? and sjlx = ? order by sj desc, rowid desc limit 1"),
        {cph, bound(sjlx)});
    // Compared as text: "99" and "99.00" are two prices as far as the memory goes, and "面议" is a price
    // text like any other that simply never takes part in a comparison of amounts.
    if (!latest.rows.empty() && latest.rows.front().value(1).toString() == price) {
        m_db.exec(QStringLiteral("update jgls set zjsj = ? where rowid = ?"),
                  {now, latest.rows.front().value(0)});
        return;
    }
    m_db.exec(QStringLiteral("insert into jgls (cph, sjlx, jg, sj, zjsj) values (?, ?, ?, ?, ?)"),
              {cph, bound(sjlx), bound(price), now, now});
}

std::vector<PriceRecord> PriceHistory::history(const QString& cph, const QString& sjlx)
{
    const ResultSet rows = m_db.select(
        QStringLiteral("select jg, sj, zjsj from jgls where cph = ? and sjlx = ? order by sj, rowid"),
        {cph, bound(sjlx)});
    std::vector<PriceRecord> records;
    records.reserve(rows.rows.size());
    for (const QVariantList& row : rows.rows)
        records.push_back({row.value(0).toString(), row.value(1).toString(), row.value(2).toString()});
    return records;
}

QHash<PriceHistory::Offer, std::vector<PriceRecord>> PriceHistory::histories(const QList<Offer>& offers)
{
    QSet<Offer> wanted;
    QSet<QString> seenProducts;
    QStringList products;
    for (const Offer& offer : offers) {
        if (offer.first.isEmpty())
            continue;
        wanted.insert({offer.first, bound(offer.second)});
        if (!seenProducts.contains(offer.first)) {
            seenProducts.insert(offer.first);
            products << offer.first;
        }
    }
    QHash<Offer, std::vector<PriceRecord>> found;
    // Well under the engine's limit of bound values in one statement.
    constexpr qsizetype Chunk = 500;
    for (qsizetype first = 0; first < products.size(); first += Chunk) {
        const QStringList chunk = products.mid(first, Chunk);
        QString marks = QStringLiteral("?");
        marks += QStringLiteral(",?").repeated(chunk.size() - 1);
        QVariantList binds;
        binds.reserve(chunk.size());
        for (const QString& cph : chunk)
            binds << cph;
        // The index (cph, sjlx, sj) and its row ids give this order without a sort. Read row by row:
        // a page's offers have thousands of rows, and a ResultSet of them cost more than the reading.
        m_db.forEachRow(QStringLiteral("select cph, sjlx, jg, sj, zjsj from jgls where cph in (%1) "
                                       "order by cph, sjlx, sj, rowid")
                            .arg(marks),
                        binds, [&](const Statement& row) {
                            Offer offer{row.text(0), bound(row.text(1))};
                            if (!wanted.contains(offer))
                                return; // the product in a shop the caller did not ask for
                            found[offer].push_back({row.text(2), row.text(3), row.text(4)});
                        });
    }
    return found;
}

quint64 PriceHistory::changeStamp()
{
    return m_db.changeStamp();
}

int PriceHistory::prune(const QDateTime& now)
{
    // The times are written in one fixed form, so text order is time order.
    return m_db.exec(QStringLiteral("delete from jgls where zjsj < ?"), {timeText(now.addYears(-KeptYears))});
}

void PriceHistory::recordAll(const std::vector<Sighting>& sightings, const QDateTime& time)
{
    const QString now = timeText(time);
    // In product order, an offer listed twice and a product's shops fall side by side, so one sort
    // replaces the sets that found them; and the new rows reach the index in its own order, which
    // leaves fewer of its pages to write at the commit. The sort is stable: an offer's first sighting
    // stays first and is the one kept.
    std::vector<const Sighting*> offers;
    offers.reserve(sightings.size());
    for (const Sighting& sighting : sightings) {
        if (!sighting.cph.isEmpty())
            offers.push_back(&sighting);
    }
    const auto sameOffer = [](const Sighting* a, const Sighting* b) {
        return a->cph == b->cph && a->sjlx == b->sjlx; // a null shop is the empty one, as bound() has it
    };
    std::stable_sort(offers.begin(), offers.end(), [](const Sighting* a, const Sighting* b) {
        const int byProduct = a->cph.compare(b->cph);
        return byProduct != 0 ? byProduct < 0 : a->sjlx.compare(b->sjlx) < 0;
    });
    offers.erase(std::unique(offers.begin(), offers.end(), sameOffer), offers.end());
    QStringList products;
    for (const Sighting* sighting : offers) {
        if (products.isEmpty() || products.constLast() != sighting->cph)
            products << sighting->cph;
    }
    // The latest row of every offer: the last of its rows in the order history() gives them.
    QHash<Offer, std::pair<qint64, QString>> latest;
    latest.reserve(qsizetype(offers.size()));
    constexpr qsizetype Products = 500; // well under the engine's limit of bound values
    for (qsizetype first = 0; first < products.size(); first += Products) {
        const QStringList chunk = products.mid(first, Products);
        QVariantList binds;
        for (const QString& cph : chunk)
            binds << cph;
        m_db.forEachRow(
            QStringLiteral("select rowid, cph, sjlx, jg from jgls where cph in (?%1) "
                           "order by cph, sjlx, sj, rowid")
                .arg(QStringLiteral(",?").repeated(chunk.size() - 1)),
            binds, [&](const Statement& row) {
                latest[{row.text(1), bound(row.text(2))}] = {row.value(0).toLongLong(), row.text(3)};
            });
    }
    // As record() decides for each offer: the same price as its latest row moves that row's last-seen
    // time, anything else is a new row.
    QVariantList seenAgain;
    std::vector<const Sighting*> fresh;
    for (const Sighting* sighting : offers) {
        const auto found = latest.constFind({sighting->cph, bound(sighting->sjlx)});
        if (found != latest.constEnd() && found->second == sighting->price)
            seenAgain << found->first;
        else
            fresh.push_back(sighting);
    }
    constexpr qsizetype RowIds = 500;
    for (qsizetype first = 0; first < seenAgain.size(); first += RowIds) {
        QVariantList binds{now};
        binds << seenAgain.mid(first, RowIds);
        m_db.exec(QStringLiteral("update jgls set zjsj = ? where rowid in (?%1)")
                      .arg(QStringLiteral(",?").repeated(binds.size() - 2)),
                  binds);
    }
    // Many rows to one insert: the statement's own cost, not the rows', was most of a page's recording.
    constexpr std::size_t Rows = 100;
    for (std::size_t first = 0; first < fresh.size(); first += Rows) {
        const std::size_t count = std::min(Rows, fresh.size() - first);
        QVariantList binds;
        binds.reserve(qsizetype(count * 5));
        for (std::size_t i = first; i < first + count; ++i)
            binds << fresh[i]->cph << bound(fresh[i]->sjlx) << bound(fresh[i]->price) << now << now;
        m_db.exec(QStringLiteral("insert into jgls (cph, sjlx, jg, sj, zjsj) values (?, ?, ?, ?, ?)%1")
                      .arg(QStringLiteral(", (?, ?, ?, ?, ?)").repeated(qsizetype(count) - 1)),
                  binds);
    }
}

PagePrices::~PagePrices()
{
    try {
        flush();
    } catch (const StoreError& error) {
        qWarning("vorbel: prices not recorded: %s", error.what());
    }
}

void PagePrices::record(const QString& cph, const QString& sjlx, const QString& price)
{
    if (cph.isEmpty() || m_recorded.contains({cph, sjlx}))
        return;
    m_recorded.insert({cph, sjlx});
    m_pending.push_back({cph, sjlx, price});
}

void PagePrices::flush()
{
    std::vector<PriceHistory::Sighting> pending;
    pending.swap(m_pending);
    m_history.recordAll(pending, m_time);
}

} // namespace vorbel

namespace vorbel {

std::optional<QString> collectedPriceOf(Database& db, const QString& cph, const QString& sjlx)
{
    if (cph.isEmpty())
        return std::nullopt;
    const ResultSet rows = db.select(
        QStringLiteral("select scjg from scnr where cph = ? and sjlx = ? and scjg is not null limit 1"),
        {cph, sjlx.isNull() ? QStringLiteral("") : sjlx});
    if (rows.rows.empty())
        return std::nullopt;
    return rows.rows.front().value(0).toString();
}

} // namespace vorbel
