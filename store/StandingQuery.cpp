#include "store/StandingQuery.h"

#include "store/Database.h"
#include "store/NumericOrder.h"
#include "store/SortExpression.h"

#include <QRegularExpression>
#include <algorithm>
#include <numeric>

namespace vorbel {

namespace {

// One table and nothing that merges, groups or renames rows, so every result row is one record of it.
const QRegularExpression WritableSelect(
    QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\w+)(?:\\s*|\\s+(?:where|order|limit)\\b.*)$"),
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
// A writable statement that reads its table whole: no where, limit or nested select after the table.
const QRegularExpression NarrowingClause(QStringLiteral("\\b(?:where|limit|select)\\b|\\("),
                                         QRegularExpression::CaseInsensitiveOption);
const QRegularExpression SelectAll(QStringLiteral("^\\s*select\\s+\\*"),
                                   QRegularExpression::CaseInsensitiveOption);

QString quotedName(const QString& field)
{
    return QLatin1Char('"') + field + QLatin1Char('"');
}

bool sameLocalStamp(const Database::TableStamp& a, const Database::TableStamp& b)
{
    return a.rowWrites == b.rowWrites && a.unnamedWrites == b.unnamedWrites && a.rollbacks == b.rollbacks;
}

bool isNumber(const QVariant& value)
{
    return !value.isNull() && value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray;
}

/// Whole-value equality as locate() wants it: numbers by value, everything else by its text.
bool sameValue(const QVariant& stored, const QVariant& wanted)
{
    if (wanted.isNull() || stored.isNull())
        return wanted.isNull() && stored.isNull();
    if (isNumber(stored) && isNumber(wanted))
        return stored.toDouble() == wanted.toDouble();
    return stored.toString() == wanted.toString();
}

} // namespace

StandingQuery::StandingQuery(Database& db, const QString& name, QObject* parent) : QObject(parent), m_db(db)
{
    setObjectName(name);
}

void StandingQuery::fail(const std::string& what) const
{
    throw StoreError(objectName().toStdString() + ": " + what);
}

void StandingQuery::setSql(const QString& sql)
{
    m_sql = sql;
    m_binds.clear();
}

void StandingQuery::open()
{
    m_state = State::Browse;
    const QRegularExpressionMatch writable = WritableSelect.match(m_sql);
    const QString table = writable.hasMatch() ? writable.captured(1) : QString();
    QString statement = numericOrderSql(m_sql);
    if (!table.isEmpty())
        statement.replace(SelectAll, QStringLiteral("select rowid, *"));
    // Straight into the snapshot, row by row: ten thousand rows gathered into a result first and moved
    // over took a good part of a shop box click.
    const int skip = table.isEmpty() ? 0 : 1;
    QStringList names;
    std::vector<Row> rows;
    qint64 sequence = 0;
    m_db.forEachRow(
        statement, m_binds,
        [&](const Statement& read) {
            const int count = read.columnCount();
            Row& row = rows.emplace_back();
            if (skip)
                row.rowid = read.value(0).toLongLong();
            row.sequence = sequence++;
            row.values.reserve(count - skip);
            for (int c = skip; c < count; ++c)
                row.values.append(read.value(c));
        },
        &names);

    m_table = table;
    m_columns = names.mid(skip);
    m_columnIndex.clear();
    m_constantIndex.clear();
    for (const QString& name : std::as_const(m_columns)) {
        if (!m_columnIndex.contains(name))
            m_columnIndex.insert(name, fieldIndex(name)); // the first name equal but for case wins
    }
    m_rows = std::move(rows);
    m_nextSequence = sequence;
    forgetWholeTable();
    m_snapshotIsWhole = !table.isEmpty() && !m_sql.mid(writable.capturedEnd(1)).contains(NarrowingClause);
    if (m_snapshotIsWhole)
        m_wholeStamp = m_db.tableStamp(table);
    readColumnTypes();
    m_open = true;
    m_eof = m_rows.empty();
    m_sort.clear();
    m_current = m_rows.empty() ? -1 : 0;
    Q_EMIT reset();
    Q_EMIT currentChanged(m_current);
}

void StandingQuery::close()
{
    const bool wasOpen = m_open;
    m_open = false;
    m_state = State::Browse;
    m_rows.clear();
    forgetWholeTable();
    m_snapshotIsWhole = false;
    m_columns.clear();
    m_columnIndex.clear();
    m_constantIndex.clear();
    m_table.clear();
    m_sort.clear();
    m_current = -1;
    m_eof = true;
    if (wasOpen)
        Q_EMIT reset();
}

void StandingQuery::openSql(const QString& sql, const QVariantList& binds)
{
    close();
    m_sql = sql;
    m_binds = binds;
    open();
}

void StandingQuery::forgetWholeTable()
{
    m_wholeRows.clear();
    m_wholeOrder.clear();
    m_wholeStamp.reset();
}

bool StandingQuery::holdsWholeTable(const QString& table)
{
    if (!m_open || !m_wholeStamp || m_table.compare(table, Qt::CaseInsensitive) != 0)
        return false;
    if (m_db.tableStamp(m_table) == *m_wholeStamp)
        return true;
    forgetWholeTable();
    return false;
}

int StandingQuery::writeRows(const QString& sql, const QVariantList& binds)
{
    // A write through the whole table's snapshot keeps it whole, as long as nothing else wrote the table
    // before it; a write through a narrowed snapshot leaves the rows it was narrowed from behind.
    const bool keepsWhole =
        m_snapshotIsWhole && m_wholeStamp && sameLocalStamp(m_db.localTableStamp(m_table), *m_wholeStamp);
    const int changed = m_db.exec(sql, binds);
    if (keepsWhole) {
        const qint64 others = m_wholeStamp->others;
        m_wholeStamp = m_db.localTableStamp(m_table);
        m_wholeStamp->others = others;
    } else {
        forgetWholeTable();
    }
    return changed;
}

void StandingQuery::openNarrowed(const QString& sql, const Narrowing& narrowing)
{
    if (!holdsWholeTable(narrowing.table)) {
        openSql(QStringLiteral("select * from %1 order by %2").arg(narrowing.table, narrowing.orderBy));
        if (!m_snapshotIsWhole) {
            openSql(sql);
            return;
        }
    }
    const int column = requireField(narrowing.field);
    m_state = State::Browse;
    std::vector<Row> whole = m_snapshotIsWhole ? std::move(m_rows) : std::move(m_wholeRows);
    // The snapshot of the whole table may hold appended rows, edits and a title's order.
    if (m_snapshotIsWhole || m_wholeOrder != narrowing.orderBy)
        sortWholeRows(whole, narrowing.orderBy);
    m_wholeOrder = narrowing.orderBy;
    std::vector<Row> rows;
    if (narrowing.texts) {
        rows.reserve(whole.size());
        for (const Row& row : whole) {
            const QVariant& value = row.values[column];
            if (value.typeId() == QMetaType::QString && narrowing.texts->contains(value.toString()))
                rows.push_back(row); // the values are shared, not copied
        }
        m_wholeRows = std::move(whole);
        m_snapshotIsWhole = false;
    } else {
        rows = std::move(whole);
        m_wholeRows.clear();
        m_snapshotIsWhole = true;
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].sequence = qint64(i);
    m_nextSequence = qint64(rows.size());
    m_rows = std::move(rows);
    m_sql = sql;
    m_binds.clear();
    m_sort.clear();
    m_eof = m_rows.empty();
    m_current = m_rows.empty() ? -1 : 0;
    Q_EMIT reset();
    Q_EMIT currentChanged(m_current);
}

void StandingQuery::sortWholeRows(std::vector<Row>& rows, const QString& orderBy) const
{
    // The engine reads the table in row id order and keeps that order among equal values.
    sortRows(rows, {{requireField(orderBy), SortTerm{orderBy, false}}}, TieBreak::RowId);
}

void StandingQuery::sortRows(std::vector<Row>& rows, const std::vector<std::pair<int, SortTerm>>& columns,
                             TieBreak ties)
{
    // Each value's number is taken once, not at every one of the sort's comparisons: a title click on ten
    // thousand offers parsed each price some thirty times.
    const std::size_t count = columns.size();
    std::vector<bool> numeric(count);
    for (std::size_t t = 0; t < count; ++t)
        numeric[t] = isNumericTextField(columns[t].second.field);
    std::vector<std::optional<double>> numbers(rows.size() * count);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t t = 0; t < count; ++t) {
            if (numeric[t])
                numbers[row * count + t] = numericValue(rows[row].values[columns[t].first]);
        }
    }
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        for (std::size_t t = 0; t < count; ++t) {
            const auto& [column, term] = columns[t];
            const QVariant& va = rows[a].values[column];
            const QVariant& vb = rows[b].values[column];
            const int compared = numeric[t] ? compareNumericText(va, numbers[a * count + t], vb,
                                                                 numbers[b * count + t], term.descending)
                                            : (term.descending ? -1 : 1) * compareStoredValues(va, vb);
            if (compared != 0)
                return compared < 0;
        }
        return ties == TieBreak::RowId ? rows[a].rowid < rows[b].rowid : rows[a].sequence < rows[b].sequence;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (const std::size_t row : order)
        sorted.push_back(std::move(rows[row]));
    rows = std::move(sorted);
}

void StandingQuery::execSql(const QString& sql, const QVariantList& binds)
{
    m_db.exec(sql, binds);
}

void StandingQuery::postPending()
{
    if (m_state != State::Browse)
        post();
}

void StandingQuery::moveTo(int row)
{
    m_eof = false;
    if (row == m_current)
        return;
    m_current = row;
    Q_EMIT currentChanged(row);
}

void StandingQuery::setCurrentRow(int row)
{
    if (row < 0 || row >= recordCount())
        return;
    postPending();
    moveTo(row);
}

bool StandingQuery::first()
{
    postPending();
    if (m_rows.empty()) {
        m_eof = true;
        return false;
    }
    moveTo(0);
    return true;
}

bool StandingQuery::next()
{
    postPending();
    if (m_current + 1 >= recordCount()) {
        m_eof = true;
        return false;
    }
    moveTo(m_current + 1);
    return true;
}

bool StandingQuery::locate(const QString& field, const QVariant& value)
{
    const int column = requireField(field);
    postPending();
    for (int row = 0; row < recordCount(); ++row) {
        if (sameValue(m_rows[row].values[column], value)) {
            moveTo(row);
            return true;
        }
    }
    return false;
}

QVariant StandingQuery::value(const QString& field) const
{
    const int column = fieldIndex(field);
    if (column < 0)
        return {};
    if (m_state != State::Browse)
        return m_pending.values.value(column);
    return valueAt(m_current, field);
}

QVariant StandingQuery::valueAt(int row, const QString& field) const
{
    const int column = fieldIndex(field);
    if (column < 0 || row < 0 || row >= recordCount())
        return {};
    return m_rows[row].values.value(column);
}

QVariant StandingQuery::valueAt(int row, QLatin1String field) const
{
    const int column = fieldIndex(field);
    if (column < 0 || row < 0 || row >= recordCount())
        return {};
    return m_rows[row].values.value(column);
}

int StandingQuery::fieldIndex(const QString& field) const
{
    if (const auto exact = m_columnIndex.constFind(field); exact != m_columnIndex.constEnd())
        return exact.value();
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int StandingQuery::fieldIndex(QLatin1String field) const
{
    if (const auto hint = m_constantIndex.constFind(field.data()); hint != m_constantIndex.constEnd()) {
        if (hint.value() >= 0 && hint.value() < m_columns.size() && m_columns[hint.value()] == field)
            return hint.value();
    }
    const int column = fieldIndex(QString(field));
    m_constantIndex.insert(field.data(), column);
    return column;
}

int StandingQuery::requireField(const QString& field) const
{
    if (!m_open)
        fail("the query is not open");
    const int column = fieldIndex(field);
    if (column < 0)
        fail("field '" + field.toStdString() + "' not found");
    return column;
}

void StandingQuery::requireWritable() const
{
    if (!m_open)
        fail("the query is not open");
    if (m_table.isEmpty())
        fail("the statement cannot be written through: " + m_sql.toStdString());
}

void StandingQuery::append()
{
    requireWritable();
    postPending();
    m_state = State::Inserting;
    m_pending = Row{0, 0, QVariantList(m_columns.size())};
    m_changed.assign(m_columns.size(), false);
}

void StandingQuery::edit()
{
    requireWritable();
    if (m_state != State::Browse)
        return;
    if (m_current < 0)
        fail("there is no current record to edit");
    m_state = State::Editing;
    m_editRow = m_current;
    m_pending = m_rows[m_current];
    m_changed.assign(m_columns.size(), false);
}

void StandingQuery::setValue(const QString& field, const QVariant& value)
{
    if (m_state == State::Browse)
        fail("setValue needs append() or edit() first");
    const int column = requireField(field);
    m_pending.values[column] = value;
    m_changed[column] = true;
}

void StandingQuery::setValue(QLatin1String field, const QVariant& value)
{
    if (m_state == State::Browse)
        fail("setValue needs append() or edit() first");
    if (!m_open)
        fail("the query is not open");
    const int column = fieldIndex(field);
    if (column < 0)
        fail("field '" + std::string(field.data(), std::size_t(field.size())) + "' not found");
    m_pending.values[column] = value;
    m_changed[column] = true;
}

void StandingQuery::post()
{
    const State state = m_state;
    // Whatever the engine says, the record is no longer pending: a failed post is not retried by the
    // next move, which would only fail the same way.
    m_state = State::Browse;
    if (state == State::Inserting)
        insertPending();
    else if (state == State::Editing)
        updatePending();
}

void StandingQuery::cancel()
{
    m_state = State::Browse;
}

/// The record as the file holds it after a write: defaults filled in, integer fields as integers.
QVariantList StandingQuery::storedValues(qint64 rowid, const QVariantList& fallback)
{
    const ResultSet stored =
        m_db.select(QStringLiteral("select * from %1 where rowid = ?").arg(m_table), {rowid});
    if (stored.rows.empty() || stored.rows.front().size() != fallback.size())
        return fallback;
    return stored.rows.front();
}

void StandingQuery::readColumnTypes()
{
    m_affinity.assign(m_columns.size(), Affinity::Other);
    m_hasDefault.assign(m_columns.size(), true);
    m_insertColumns.clear();
    m_insertSql.clear();
    if (m_table.isEmpty())
        return;
    const ResultSet info = m_db.select(QStringLiteral("PRAGMA table_info(%1)").arg(quotedName(m_table)));
    const int nameAt = int(info.columns.indexOf(QStringLiteral("name")));
    const int typeAt = int(info.columns.indexOf(QStringLiteral("type")));
    const int defaultAt = int(info.columns.indexOf(QStringLiteral("dflt_value")));
    if (nameAt < 0 || typeAt < 0 || defaultAt < 0)
        return;
    for (const QVariantList& column : info.rows) {
        const int index = fieldIndex(column.value(nameAt).toString());
        if (index < 0)
            continue;
        const QString type = column.value(typeAt).toString().toUpper();
        m_affinity[index] = type == QLatin1String("INTEGER") ? Affinity::Integer
                            : type == QLatin1String("TEXT")  ? Affinity::Text
                                                             : Affinity::Other;
        m_hasDefault[index] = !column.value(defaultAt).isNull();
    }
}

/// The pending record as a read of it would give it back, when that is certain: integers into INTEGER
/// columns, texts into TEXT columns, integers into TEXT columns as their digits, unset columns without a
/// default as null. Anything else (a text the engine may turn into a number, a real, a default) needs
/// the read. `before` holds the values of the columns that were not set.
std::optional<QVariantList> StandingQuery::knownStoredValues(const QVariantList& before, bool inserting) const
{
    if (m_affinity.size() != std::size_t(m_columns.size()))
        return std::nullopt;
    QVariantList stored = before;
    for (std::size_t i = 0; i < m_affinity.size(); ++i) {
        QVariant& value = stored[qsizetype(i)];
        if (!m_changed[i]) {
            if (inserting && m_hasDefault[i])
                return std::nullopt;
            continue;
        }
        const QVariant& written = m_pending.values[qsizetype(i)];
        const int type = written.isNull() ? QMetaType::UnknownType : written.typeId();
        const bool integer = type == QMetaType::Int || type == QMetaType::LongLong;
        if (type == QMetaType::UnknownType)
            value = QVariant();
        else if (m_affinity[i] == Affinity::Text && type == QMetaType::QString)
            value = written;
        else if (m_affinity[i] == Affinity::Text && integer)
            value = QString::number(written.toLongLong());
        else if (m_affinity[i] == Affinity::Integer && integer)
            value = written.toLongLong();
        else
            return std::nullopt;
    }
    return stored;
}

const QString& StandingQuery::insertSql()
{
    if (m_insertSql.isEmpty() || m_insertColumns != m_changed) {
        QStringList names;
        QStringList marks;
        for (int i = 0; i < m_columns.size(); ++i) {
            if (!m_changed[i])
                continue;
            names << quotedName(m_columns[i]);
            marks << QStringLiteral("?");
        }
        m_insertSql = names.isEmpty()
                          ? QStringLiteral("insert into %1 default values").arg(m_table)
                          : QStringLiteral("insert into %1 (%2) values (%3)")
                                .arg(m_table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        m_insertColumns = m_changed;
    }
    return m_insertSql;
}

void StandingQuery::insertPending()
{
    QVariantList binds;
    binds.reserve(m_columns.size());
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_changed[i])
            binds << m_pending.values[i];
    }
    writeRows(insertSql(), binds);
    Row row;
    row.rowid = m_db.lastInsertRowId();
    row.sequence = m_nextSequence++;
    const QVariantList unset(m_columns.size());
    std::optional<QVariantList> known = knownStoredValues(unset, true);
    row.values = known ? std::move(*known) : storedValues(row.rowid, m_pending.values);
    m_rows.push_back(std::move(row));
    m_eof = false;
    m_current = recordCount() - 1;
    Q_EMIT rowAppended(m_current);
    Q_EMIT currentChanged(m_current);
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
    if (assignments.isEmpty())
        return;
    binds << m_pending.rowid;
    const int changed = writeRows(
        QStringLiteral("update %1 set %2 where rowid = ?").arg(m_table, assignments.join(QLatin1Char(','))),
        binds);
    // Another query may have deleted the record since this snapshot was read; showing the edit would
    // report a write that never happened.
    if (changed == 0)
        fail("the record is no longer in the table " + m_table.toStdString());
    Row& row = m_rows[m_editRow];
    std::optional<QVariantList> known = knownStoredValues(row.values, false);
    row.values = known ? std::move(*known) : storedValues(row.rowid, m_pending.values);
    Q_EMIT rowChanged(m_editRow);
}

void StandingQuery::deleteCurrent()
{
    requireWritable();
    const State state = m_state;
    m_state = State::Browse;
    if (state == State::Inserting || m_current < 0)
        return;
    writeRows(QStringLiteral("delete from %1 where rowid = ?").arg(m_table), {m_rows[m_current].rowid});
    const int removed = m_current;
    m_rows.erase(m_rows.begin() + removed);
    m_current = std::min(removed, recordCount() - 1);
    m_eof = m_rows.empty();
    Q_EMIT rowRemoved(removed);
    Q_EMIT currentChanged(m_current);
}

void StandingQuery::setSort(const QString& expression)
{
    if (!m_open)
        fail("the query is not open");
    const std::vector<SortTerm> terms = parseSortExpression(expression);
    std::vector<std::pair<int, SortTerm>> columns;
    for (const SortTerm& term : terms)
        columns.emplace_back(requireField(term.field), term);
    postPending();
    sortRows(m_rows, columns, TieBreak::Sequence);
    m_sort = expression;
    m_eof = m_rows.empty();
    m_current = m_rows.empty() ? -1 : 0;
    Q_EMIT reordered();
    Q_EMIT currentChanged(m_current);
}

} // namespace vorbel
