#pragma once

#include "store/ResultSet.h"
#include "store/SqliteHandle.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "store/Transaction.h"

#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace vorbel {

/// The password-protected database file: one SQLCipher connection, opened once and kept for the run.
/// The file is readable by the stock `sqlcipher` shell after "PRAGMA key='<Password>';".
class Database
{
public:
    static constexpr const char* FileName = "vorbelmd.dat";
    static constexpr const char* Password = "vtqzmkpe19880523";

    using OpenResult = std::variant<std::unique_ptr<Database>, QString>;

    /// Opens the file at path keyed with Password, creating it with the five empty tables when it is
    /// missing (or an empty file). An existing file is never re-created or reshaped; the only thing it
    /// may gain is the price history table jgls with its index, when it lacks them. Refused, with a text
    /// naming the file: a library without encryption (a plain SQLite would write a readable file), a wrong
    /// key or a file that is no database, a locked, unreadable or read-only file, a database that lacks one
    /// of the five tables. A refused file is left exactly as it was; nothing is written before the key has
    /// been verified.
    static OpenResult open(const QString& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    /// Runs one statement with positional parameters and returns the number of rows it changed.
    /// Throws StoreError with the engine's message.
    int exec(const QString& sql, const QVariantList& binds = {});
    /// Runs one select and returns all its rows. Throws StoreError.
    ResultSet select(const QString& sql, const QVariantList& binds = {});
    /// Runs one select and calls eachRow with the statement at each of its rows, for reads too large to
    /// gather into a ResultSet first; columns, when given, gets the result's column names first. Throws
    /// StoreError, also when the statement returns no rows.
    void forEachRow(const QString& sql, const QVariantList& binds,
                    const std::function<void(const Statement&)>& eachRow, QStringList* columns = nullptr);
    /// The row id of the latest insert on this connection.
    qint64 lastInsertRowId() const;
    QString path() const { return m_path; }
    /// A number that moves whenever a row was written on this connection or another connection committed
    /// to the file since the last call; equal numbers mean the file read the same. Throws StoreError.
    quint64 changeStamp();
    /// Where one table's rows stand. Moves whenever they may have changed: a row this connection wrote to
    /// the table, rows the engine changed without naming a table (a whole table emptied at once), a
    /// rollback, another connection's commit. Equal stamps mean the table reads the same.
    struct TableStamp
    {
        quint64 rowWrites = 0;
        quint64 unnamedWrites = 0;
        quint64 rollbacks = 0;
        qint64 others = 0; // the engine's data_version
        bool operator==(const TableStamp&) const = default;
    };
    /// The table's stamp. Throws StoreError.
    TableStamp tableStamp(const QString& table);
    /// The same without the other connections' part, and without running a statement: cheap enough to
    /// take around every row a query posts. Its `others` is 0.
    TableStamp localTableStamp(const QString& table) const;
    /// True while a Transaction is open and the engine still holds it.
    bool inTransaction() const;

    /// Used by Transaction: the outermost begin starts the engine's transaction, the matching commit ends
    /// it. Both throw StoreError.
    void beginTransaction();
    void commitTransaction();

private:
    Database(ConnectionHandle handle, QString path);
    /// Opens and keys the file: with the key derived from salt when there is one, else with the password.
    /// keyRefused, when given, is set when the cipher refused a derived key.
    static OpenResult openKeyed(const QString& path, bool existed, bool wasEmpty,
                                const std::optional<QByteArray>& salt, bool* keyRefused);
    QString prepareConnection(bool mayCreate, const std::optional<QByteArray>& salt, bool* keyRefused);
    void createSchema();
    void addPriceHistory();
    QString missingTables();

    /// A statement for sql: one prepared before when there is one, else newly prepared.
    Statement borrow(const QString& sql);
    /// Keeps a statement that ran to its end for the next use of the same text.
    void giveBack(const QString& sql, Statement& statement);

    ConnectionHandle m_handle;
    QString m_path;
    // The rows of a page are posted with the same few statements over and over; preparing each one
    // anew took most of the time of a post. Declared after the connection so they go before it.
    std::unordered_map<QString, StatementHandle> m_statements;
    int m_transactionDepth = 0;

    static void countRowWrite(void* self, int operation, const char* database, const char* table,
                              long long rowid);
    static void countRollback(void* self);
    // Rows written per table, as the engine's update hook names them; a handful of tables, looked up in
    // order, since the hook runs for every row written.
    std::vector<std::pair<QByteArray, quint64>> m_rowWrites;
    quint64 m_namedWrites = 0;
    quint64 m_rollbacks = 0;
};

} // namespace vorbel
