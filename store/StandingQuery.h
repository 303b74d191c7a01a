#pragma once

#include "store/Database.h"
#include "store/Queries.h"
#include "store/SortExpression.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace vorbel {

/// One of the window's standing queries: a statement whose result is read into a snapshot (a static
/// cursor) with a current row. The program's own appends, edits and deletes are written to the file at
/// once and kept in the snapshot, so the snapshot always shows what the program wrote; other queries'
/// writes show after the next open.
///
/// Only a statement of the form "select * from <table> [where ...] [order by ...]" can be written
/// through; each snapshot row remembers its row id, so edits and deletes reach exactly that record.
/// Statements that order by `jg` or `rc` order by numeric value (see NumericOrder.h).
///
/// Moving the current row, sorting or appending while a record is being edited posts it first; close()
/// and open() drop an unposted record. Failures throw StoreError, which ends the running handler.
class StandingQuery : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Browse,
        Inserting,
        Editing
    };

    StandingQuery(Database& db, const QString& name, QObject* parent = nullptr);

    /// Replaces the statement (and drops its parameters); it takes effect at the next open().
    void setSql(const QString& sql);
    QString sql() const { return m_sql; }
    /// Runs the statement and reads all its rows; the first row becomes current and any sort is dropped.
    /// A statement that returns no rows is refused without being run.
    void open();
    void close();
    bool isOpen() const { return m_open; }
    /// Replaces the statement and its parameters and opens it.
    void openSql(const QString& sql, const QVariantList& binds = {});
    /// A statement that reads part of a table read whole: the rows of "select * from <table> order by
    /// <orderBy>" whose `field` holds one of `texts` (every row without texts), in that order.
    struct Narrowing
    {
        QString table;
        QString orderBy;
        QString field;
        std::optional<QStringList> texts;
    };
    /// Opens `sql`, which must select exactly the rows `narrowing` describes. While this query holds the
    /// whole table as the file has it (it read it whole, and the table changed since only through this
    /// query), the rows are taken from memory; otherwise the table is read whole first. A shop box click
    /// on ten thousand offers spent most of its time reading and converting rows it already held.
    void openNarrowed(const QString& sql, const Narrowing& narrowing);
    /// Runs a statement that returns no rows ("delete from cxnr") on the connection; this query's own
    /// statement and snapshot are left as they are.
    void execSql(const QString& sql, const QVariantList& binds = {});

    int recordCount() const { return int(m_rows.size()); }
    QStringList fieldNames() const { return m_columns; }
    /// The table appends, edits and deletes write to; empty when the statement cannot be written through.
    QString tableName() const { return m_table; }
    /// The current row, or -1 when there is none.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    bool first();
    /// Moves to the next row; at the last row it stays there and eof() becomes true.
    bool next();
    /// True when the snapshot is empty or next() ran past its end.
    bool eof() const { return !m_open || m_rows.empty() || m_eof; }
    /// Makes the first row whose field equals the whole value current; the current row stays when none
    /// does. A null value finds the first null.
    bool locate(const QString& field, const QVariant& value);

    /// The current record's field: the unposted values while appending or editing. Null for an unknown
    /// field or when there is no current row.
    QVariant value(const QString& field) const;
    /// The stored value of a snapshot row; null for an unknown field or row.
    QVariant valueAt(int row, const QString& field) const;
    /// The same for a field named by one of the program's constants (column::jg), without making a QString
    /// of the name: the grids and the readers ask thousands of times per list.
    QVariant valueAt(int row, QLatin1String field) const;

    State state() const { return m_state; }
    /// Starts a new record; setValue fills it, post() writes it and appends it to the snapshot.
    void append();
    /// Starts editing the current record; post() writes the changed fields.
    void edit();
    void setValue(const QString& field, const QVariant& value);
    void setValue(QLatin1String field, const QVariant& value);
    void post();
    void cancel();
    /// Deletes the current record from the file and the snapshot; the next row becomes current. While
    /// appending it only drops the new record.
    void deleteCurrent();

    /// Sorts the open snapshot, e.g. "jg DESC" or "rc ASC"; `jg` and `rc` by numeric value with the rows
    /// that hold no number after the numbers, other fields as the engine orders them; ties keep the
    /// statement's order. An empty expression restores the statement's order. The first row becomes
    /// current. Signals reordered(), not reset(): the records are the same ones.
    void setSort(const QString& expression);
    QString sort() const { return m_sort; }

Q_SIGNALS:
    void reset();
    /// The same records in another order (setSort).
    void reordered();
    void rowChanged(int row);
    void rowAppended(int row);
    void rowRemoved(int row);
    void currentChanged(int row);

private:
    struct Row
    {
        qint64 rowid = 0;
        qint64 sequence = 0;
        QVariantList values;
    };

    [[noreturn]] void fail(const std::string& what) const;
    int fieldIndex(const QString& field) const;
    int fieldIndex(QLatin1String field) const;
    int requireField(const QString& field) const;
    void requireWritable() const;
    void postPending();
    void moveTo(int row);
    void insertPending();
    void updatePending();
    QVariantList storedValues(qint64 rowid, const QVariantList& fallback);
    void readColumnTypes();
    std::optional<QVariantList> knownStoredValues(const QVariantList& before, bool inserting) const;
    const QString& insertSql();
    int writeRows(const QString& sql, const QVariantList& binds);
    bool holdsWholeTable(const QString& table);
    void forgetWholeTable();
    void sortWholeRows(std::vector<Row>& rows, const QString& orderBy) const;
    /// Ties keep the statement's order (Sequence) or the table's (RowId).
    enum class TieBreak
    {
        Sequence,
        RowId
    };
    static void sortRows(std::vector<Row>& rows, const std::vector<std::pair<int, SortTerm>>& columns,
                         TieBreak ties);

    Database& m_db;
    QString m_sql;
    QVariantList m_binds;
    QString m_table;
    QString m_sort;
    bool m_open = false;
    bool m_eof = false;
    QStringList m_columns;
    QHash<QString, int> m_columnIndex; // names as the engine spells them; others are looked up by case
    // The column each constant name was last found at, by where the name's characters are. Only a hint:
    // the name found there is compared before it is used, so a name at a reused address is looked up anew.
    mutable QHash<const char*, int> m_constantIndex;
    std::vector<Row> m_rows;
    qint64 m_nextSequence = 0;
    int m_current = -1;
    State m_state = State::Browse;
    int m_editRow = -1;
    Row m_pending;
    std::vector<bool> m_changed;
    /// How the table's columns store a value, from its declaration: an INTEGER or TEXT column turns the
    /// program's integers and texts into what a read gives back, so a written row needs no read.
    enum class Affinity
    {
        Integer,
        Text,
        Other
    };
    std::vector<Affinity> m_affinity;
    std::vector<bool> m_hasDefault;
    std::vector<bool> m_insertColumns; // of m_insertSql, which is reused while the same fields are set
    QString m_insertSql;
    // The table's every row as this query last read or wrote them, for openNarrowed: the snapshot itself
    // while the statement reads the whole table, else the rows it was narrowed from (sorted by
    // m_wholeOrder). Good while the table's stamp is still m_wholeStamp.
    bool m_snapshotIsWhole = false;
    std::vector<Row> m_wholeRows;
    QString m_wholeOrder;
    std::optional<Database::TableStamp> m_wholeStamp;
};

} // namespace vorbel
