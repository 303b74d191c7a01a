#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace vorbel {

class Database;

/// One of the window's standing queries: a statement whose result is read into a snapshot (a static
/// cursor) with a current row. The program's own appends, edits and deletes are written to the file at
/// once and kept in the snapshot, so the snapshot always shows what the program wrote.
///
/// Statements that order by `jg` or `rc` order by numeric value: both hold numbers as the service wrote
/// them ("99.50"), and text order would put "100" before "99".
class StandingQuery : public QObject
{
    Q_OBJECT
public:
    StandingQuery(Database& db, const QString& name, QObject* parent = nullptr);

    void setSql(const QString& sql) { m_sql = sql; }
    QString sql() const { return m_sql; }
    /// Runs the statement and reads its rows; the first row becomes current. Throws StoreError.
    void open();
    void close();
    bool isOpen() const { return m_open; }
    /// Replaces the statement and opens it.
    void openSql(const QString& sql, const QVariantList& binds = {});
    /// Runs a statement that returns no rows ("delete from cxnr"); the snapshot is left as it is.
    void execSql(const QString& sql, const QVariantList& binds = {});

    int recordCount() const { return int(m_rows.size()); }
    QStringList fieldNames() const { return m_columns; }
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    bool first();
    bool next();
    bool eof() const { return m_current < 0 || m_current >= recordCount(); }
    /// Makes the first row whose field equals the whole value current.
    bool locate(const QString& field, const QVariant& value);

    QVariant value(const QString& field) const { return valueAt(m_current, field); }
    QVariant valueAt(int row, const QString& field) const;

    /// Starts a new row (append) or an edit of the current one; setValue changes it, post writes it.
    void append();
    void edit();
    void setValue(const QString& field, const QVariant& value);
    void post();
    void cancel();
    void deleteCurrent();

    /// Sorts the open snapshot: "field", "field ASC" or "field DESC"; numbers by value, stable.
    void setSort(const QString& expression);

Q_SIGNALS:
    void reset();
    void rowChanged(int row);
    void rowAppended(int row);
    void rowRemoved(int row);
    void currentChanged(int row);

private:
    enum class State
    {
        Browse,
        Inserting,
        Editing
    };
    struct Row
    {
        qint64 rowid = 0;
        QVariantList values;
    };

    int fieldIndex(const QString& field) const;
    int requireField(const QString& field) const;
    QString requireTable() const;
    void insertPending();
    void updatePending();

    Database& m_db;
    QString m_sql;
    QVariantList m_binds;
    QString m_table;
    bool m_open = false;
    QStringList m_columns;
    std::vector<Row> m_rows;
    int m_current = -1;
    State m_state = State::Browse;
    Row m_pending;
    std::vector<bool> m_changed;
};

/// A text literal for a statement: enclosed in single quotes, each inner single quote doubled.
QString quoteSqlText(const QString& text);

} // namespace vorbel
