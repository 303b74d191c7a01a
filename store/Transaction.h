#pragma once

#include <QString>

namespace vorbel {

class Database;

/// Groups the rows one page handler posts into one transaction, which makes a page of offers one write
/// instead of one per row. Unlike the usual guard it commits when it goes out of scope, also when an
/// error unwinds the handler: whatever a handler posted before it stopped must stay. Guards may
/// nest; the outermost one commits.
class Transaction
{
public:
    /// Begins the transaction (or joins the one already open). Throws StoreError.
    explicit Transaction(Database& db);
    /// Commits if commit() has not run; a failure there is only logged, a destructor cannot report it.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// Commits now. Throws StoreError; the connection is then back in autocommit with the failed
    /// transaction's rows rolled back, so later posts are written at once again.
    void commit();

private:
    Database& m_db;
    bool m_open = true;
};

/// A point inside an open transaction that the writes after it can be undone back to. Kept (released
/// into the transaction) unless rollBack() ran. Throws StoreError, also when no transaction is open.
class Savepoint
{
public:
    Savepoint(Database& db, const char* name);
    /// Keeps the writes; a failure there is only logged.
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

    /// Keeps the writes now.
    void release();
    /// Undoes every write since the savepoint was set, and ends it; the transaction stays open.
    void rollBack();

private:
    Database& m_db;
    QString m_name;
    bool m_open = true;
};

} // namespace vorbel
