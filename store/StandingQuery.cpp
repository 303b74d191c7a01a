#include "store/StandingQuery.h"

#include "store/Database.h"

#include <QRegularExpression>
#include <algorithm>

namespace vorbel {

namespace {

const QRegularExpression SelectAllFrom(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\w+)"),
                                       QRegularExpression::CaseInsensitiveOption);
const QRegularExpression NumericOrder(QStringLiteral("\\border\\s+by\\s+(jg|rc)\\b"),
                                      QRegularExpression::CaseInsensitiveOption);

/// The statement as the engine runs it: the row id in front of every column of a "select * from" (so
/// edits and deletes hit the right record) and value order for the price and count columns.
QString engineStatement(const QString& sql, bool withRowId)
{
    QString statement = sql;
    statement.replace(NumericOrder, QStringLiteral("order by CAST(\\1 AS REAL)"));
    if (withRowId)
        statement.replace(SelectAllFrom, QStringLiteral("select rowid, * from \\1"));
    return statement;
}

QString quotedName(const QString& field)
{
    return QLatin1Char('"') + field + QLatin1Char('"');
}

/// Sort key: numbers first by value, then other texts, then nulls.
struct SortKey
{
    int rank;
    double number;
    QString text;
};

SortKey sortKey(const QVariant& value)
{
    if (value.isNull())
        return {2, 0, {}};
    bool isNumber = false;
    const double number = value.toString().trimmed().toDouble(&isNumber);
    return isNumber ? SortKey{0, number, {}} : SortKey{1, 0, value.toString()};
}

bool keyLess(const SortKey& a, const SortKey& b)
{
    if (a.rank != b.rank)
        return a.rank < b.rank;
    return a.rank == 0 ? a.number < b.number : a.text < b.text;
}

} // namespace

QString quoteSqlText(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

StandingQuery::StandingQuery(Database& db, const QString& name, QObject* parent) : QObject(parent), m_db(db)
{
    setObjectName(name);
}

void StandingQuery::open()
{
    const QRegularExpressionMatch match = SelectAllFrom.match(m_sql);
    m_table = match.hasMatch() ? match.captured(1) : QString();
    ResultSet result = m_db.select(engineStatement(m_sql, !m_table.isEmpty()), m_binds);
    const int skip = m_table.isEmpty() ? 0 : 1;
    m_columns = result.columns.mid(skip);
    m_rows.clear();
    m_rows.reserve(result.rows.size());
    for (QVariantList& values : result.rows) {
        Row row;
        if (skip)
            row.rowid = values.takeFirst().toLongLong();
        row.values = std::move(values);
        m_rows.push_back(std::move(row));
    }
    m_open = true;
    m_state = State::Browse;
    m_current = m_rows.empty() ? -1 : 0;
    Q_EMIT reset();
}

void StandingQuery::close()
{
    m_open = false;
    m_rows.clear();
    m_current = -1;
    m_state = State::Browse;
    Q_EMIT reset();
}

void StandingQuery::openSql(const QString& sql, const QVariantList& binds)
{
    close();
    m_sql = sql;
    m_binds = binds;
    open();
}

void StandingQuery::execSql(const QString& sql, const QVariantList& binds)
{
    m_db.exec(sql, binds);
}

void StandingQuery::setCurrentRow(int row)
{
    if (row < 0 || row >= recordCount() || row == m_current)
        return;
    m_current = row;
    Q_EMIT currentChanged(row);
}

bool StandingQuery::first()
{
    if (m_rows.empty())
        return false;
    m_current = 0;
    Q_EMIT currentChanged(0);
    return true;
}

bool StandingQuery::next()
{
    if (m_current + 1 >= recordCount()) {
        m_current = recordCount();
        return false;
    }
    ++m_current;
    return true;
}

bool StandingQuery::locate(const QString& field, const QVariant& value)
{
    const int column = requireField(field);
    const QString wanted = value.toString();
    for (int row = 0; row < recordCount(); ++row) {
        const QVariant& candidate = m_rows[row].values[column];
        if (!candidate.isNull() && candidate.toString() == wanted) {
            setCurrentRow(row);
            return true;
        }
    }
    return false;
}

QVariant StandingQuery::valueAt(int row, const QString& field) const
{
    const int column = fieldIndex(field);
    if (column < 0)
        return {};
    if (row == m_current && m_state != State::Browse)
        return m_pending.values.value(column);
    if (row < 0 || row >= recordCount())
        return {};
    return m_rows[row].values.value(column);
}

int StandingQuery::fieldIndex(const QString& field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int StandingQuery::requireField(const QString& field) const
{
    const int column = fieldIndex(field);
    if (column < 0)
        throw StoreError(objectName().toStdString() + ": field '" + field.toStdString() + "' not found");
    return column;
}

QString StandingQuery::requireTable() const
{
    if (!m_open || m_table.isEmpty())
        throw StoreError(objectName().toStdString() + ": the query cannot be changed");
    return m_table;
}

void StandingQuery::append()
{
    requireTable();
    m_state = State::Inserting;
    m_pending = Row{0, QVariantList(m_columns.size())};
    m_changed.assign(m_columns.size(), false);
}

void StandingQuery::edit()
{
    requireTable();
    if (eof())
        throw StoreError(objectName().toStdString() + ": no current record");
    m_state = State::Editing;
    m_pending = m_rows[m_current];
    m_changed.assign(m_columns.size(), false);
}

void StandingQuery::setValue(const QString& field, const QVariant& value)
{
    if (m_state == State::Browse)
        throw StoreError(objectName().toStdString() + ": not in edit or insert state");
    const int column = requireField(field);
    m_pending.values[column] = value;
    m_changed[column] = true;
}

void StandingQuery::post()
{
    if (m_state == State::Inserting)
        insertPending();
    else if (m_state == State::Editing)
        updatePending();
    m_state = State::Browse;
}

void StandingQuery::cancel()
{
    m_state = State::Browse;
}

void StandingQuery::insertPending()
{
    QStringList names;
    QStringList marks;
    QVariantList binds;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (!m_changed[i])
            continue;
        names << quotedName(m_columns[i]);
        marks << QStringLiteral("?");
        binds << m_pending.values[i];
    }
    const QString sql = names.isEmpty()
                            ? QStringLiteral("insert into %1 default values").arg(m_table)
                            : QStringLiteral("insert into %1 (%2) values (%3)")
                                  .arg(m_table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    m_state = State::Browse; // a failed post leaves nothing half-appended
    m_db.exec(sql, binds);
    m_pending.rowid = m_db.lastInsertRowId();
    m_rows.push_back(m_pending);
    m_current = recordCount() - 1;
    Q_EMIT rowAppended(m_current);
}

void StandingQuery::updatePending()
{
    QStringList assignments;
    QVariantList binds;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (!m_changed[i])
            continue;
        assignments << quotedName(m_columns[i]) + QStringLiteral(" = ?");
        binds << m_pending.values[i];
    }
    m_state = State::Browse;
    if (assignments.isEmpty())
        return;
    binds << m_pending.rowid;
    m_db.exec(
        QStringLiteral("update %1 set %2 where rowid = ?").arg(m_table, assignments.join(QLatin1Char(','))),
        binds);
    m_rows[m_current] = m_pending;
    Q_EMIT rowChanged(m_current);
}

void StandingQuery::deleteCurrent()
{
    requireTable();
    if (eof())
        return;
    m_db.exec(QStringLiteral("delete from %1 where rowid = ?").arg(m_table), {m_rows[m_current].rowid});
    const int removed = m_current;
    m_rows.erase(m_rows.begin() + removed);
    m_current = std::min(removed, recordCount() - 1);
    Q_EMIT rowRemoved(removed);
}

void StandingQuery::setSort(const QString& expression)
{
    const QStringList parts = expression.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return;
    const int column = requireField(parts.first());
    const bool descending =
        parts.size() > 1 && parts[1].compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
        const SortKey ka = sortKey(a.values[column]);
        const SortKey kb = sortKey(b.values[column]);
        if (descending && ka.rank == kb.rank)
            return keyLess(kb, ka);
        return keyLess(ka, kb);
    });
    m_current = m_rows.empty() ? -1 : 0;
    Q_EMIT reset();
}

} // namespace vorbel
