#pragma once

#include "store/SqliteHandle.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <vector>

namespace vorbel {

/// One prepared statement on a connection. Every failure throws StoreError with the engine's message.
class Statement
{
public:
    /// Prepares exactly one statement; text after it other than blanks and semicolons is refused, so a
    /// value pasted into a statement can never smuggle in a second one.
    Statement(sqlite3* connection, const QString& sql);
    /// A statement prepared earlier on the connection and handed back by release().
    Statement(sqlite3* connection, StatementHandle prepared);

    /// Gives up the prepared statement, reset and with its bindings cleared, so it can run again.
    StatementHandle release();

    /// Binds positional parameters: null, integers and booleans as integers, floating numbers as reals,
    /// byte arrays as blobs, anything else as its text.
    void bind(const QVariantList& values);
    /// Advances to the next row; false when the statement is done.
    bool step();
    /// Runs the statement to its end, discarding any rows.
    void run();

    int columnCount() const;
    QString columnName(int column) const;
    /// The current row's value: null, qlonglong, double, QString or QByteArray.
    QVariant value(int column) const;
    /// The current row's value as text, as value(column).toString() gives it, without the QVariant.
    QString text(int column) const;

private:
    [[noreturn]] void fail() const;

    sqlite3* m_connection;
    StatementHandle m_statement;
    // The bound texts, kept until the statement is reset: the engine reads them in place instead of
    // copying each one (a row of the result table binds a dozen).
    std::vector<QByteArray> m_texts;
};

} // namespace vorbel
