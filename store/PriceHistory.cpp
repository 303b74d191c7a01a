#include "store/PriceHistory.h"

#include "store/Database.h"

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

int PriceHistory::prune(const QDateTime& now)
{
    // The times are written in one fixed form, so text order is time order.
    return m_db.exec(QStringLiteral("delete from jgls where zjsj < ?"), {timeText(now.addYears(-KeptYears))});
}

void PagePrices::record(const QString& cph, const QString& sjlx, const QString& price)
{
    if (cph.isEmpty() || m_recorded.contains({cph, sjlx}))
        return;
    m_recorded.insert({cph, sjlx});
    m_history.record(cph, sjlx, price, m_time);
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
