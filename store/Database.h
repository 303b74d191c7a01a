#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vorbel {

/// A statement the engine refused; its message is the engine's. It ends the handler that ran it.
class StoreError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// The rows of a select: the column names and one value list per row.
struct ResultSet
{
    QStringList columns;
    std::vector<QVariantList> rows;
};

/// The password-protected database file: one SQLCipher connection, opened once and kept for the run.
class Database
{
public:
    static constexpr const char* FileName = "vorbelmd.dat";
    static constexpr const char* Password = "vtqzmkpe19880523";

    using OpenResult = std::variant<std::unique_ptr<Database>, QString>;

    /// Opens the file keyed with the password, creating it with the five empty tables when it is missing.
    /// An existing file is never re-created or reshaped. On failure (no cipher in the linked library, a
    /// wrong key, not a database, locked, unreadable) the error text names the file and the file is left
    /// as it was.
    static OpenResult open(const QString& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    /// Runs one statement with positional parameters. Throws StoreError.
    void exec(const QString& sql, const QVariantList& binds = {});
    /// Runs a select. Throws StoreError.
    ResultSet select(const QString& sql, const QVariantList& binds = {});
    qint64 lastInsertRowId() const;
    QString path() const { return m_path; }

    /// Opens or closes the page-wide transaction of Transaction; nested requests share the outer one.
    void beginTransaction();
    void commitTransaction();

private:
    Database(sqlite3* handle, QString path);

    struct Closer
    {
        void operator()(sqlite3* handle) const;
    };
    std::unique_ptr<sqlite3, Closer> m_handle;
    QString m_path;
    int m_transactionDepth = 0;
};

/// Groups the rows of one page into one transaction. It commits when it ends, also when an error stops
/// the handler, because what was posted before the error must stay.
class Transaction
{
public:
    explicit Transaction(Database& db) : m_db(db) { m_db.beginTransaction(); }
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Database& m_db;
};

} // namespace vorbel
