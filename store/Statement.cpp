#include "store/Statement.h"

#include "store/StoreError.h"

#include <QByteArray>
#include <sqlite3.h>

namespace vorbel {

void ConnectionCloser::operator()(sqlite3* handle) const
{
    sqlite3_close_v2(handle);
}

void StatementFinaliser::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

namespace {

bool onlySeparators(const char* tail)
{
    for (; tail && *tail; ++tail) {
        const char c = *tail;
        if (c != ';' && c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

} // namespace

Statement::Statement(sqlite3* connection, const QString& sql) : m_connection(connection)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(connection, text.constData(), int(text.size()), &raw, &tail);
    m_statement.reset(raw);
    if (rc != SQLITE_OK)
        fail();
    if (!m_statement)
        throw StoreError("empty statement");
    if (!onlySeparators(tail))
        throw StoreError("only one statement can be run at a time: " + sql.toStdString());
}

Statement::Statement(sqlite3* connection, StatementHandle prepared)
    : m_connection(connection), m_statement(std::move(prepared))
{
}

StatementHandle Statement::release()
{
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
    m_texts.clear();
    return std::move(m_statement);
}

void Statement::bind(const QVariantList& values)
{
    sqlite3_stmt* statement = m_statement.get();
    if (values.size() != sqlite3_bind_parameter_count(statement))
        throw StoreError("the statement takes " + std::to_string(sqlite3_bind_parameter_count(statement)) +
                         " values, " + std::to_string(values.size()) + " given");
    m_texts.clear();
    m_texts.reserve(std::size_t(values.size()));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values[i];
        const int position = i + 1;
        int rc = SQLITE_OK;
        switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(statement, position);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            rc = sqlite3_bind_int64(statement, position, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(statement, position, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob(statement, position, bytes.constData(), int(bytes.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray& text = m_texts.emplace_back(value.toString().toUtf8());
            rc = sqlite3_bind_text(statement, position, text.constData(), int(text.size()), SQLITE_STATIC);
        }
        }
        if (rc != SQLITE_OK)
            fail();
    }
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_statement.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail();
}

void Statement::run()
{
    while (step()) {
    }
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_statement.get());
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement.get(), column));
}

QVariant Statement::value(int column) const
{
    sqlite3_stmt* statement = m_statement.get();
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant::fromValue<qlonglong>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                          sqlite3_column_bytes(statement, column));
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    }
}

QString Statement::text(int column) const
{
    sqlite3_stmt* statement = m_statement.get();
    if (sqlite3_column_type(statement, column) != SQLITE_TEXT)
        return value(column).toString();
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

void Statement::fail() const
{
    throw StoreError(sqlite3_errmsg(m_connection));
}

} // namespace vorbel
