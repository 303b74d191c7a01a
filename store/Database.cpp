#include "store/Database.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace vorbel {

namespace {

constexpr int BusyTimeoutMs = 2000;

const char* const Schema[] = {
    "create table cxnr (bh INTEGER, cxrq INTEGER, cph TEXT, cpmc TEXT, xtp TEXT, dtp TEXT, rc TEXT, jg TEXT, "
    "cplj TEXT, sjlx TEXT, cxsj TEXT, hdxx TEXT, zpbz TEXT, pjjb TEXT, \"check\" TEXT, bz1 TEXT)",
    "create table scnr (ufid TEXT, user TEXT, scid TEXT, cph TEXT, cpmc TEXT, xtp TEXT, dtp TEXT, scsj TEXT, "
    "scjg TEXT, gxjg TEXT, cplj TEXT, sjlx TEXT, scrq INTEGER, bz2 TEXT, bz1 TEXT)",
    "create table tpb (word TEXT, tpid TEXT, bh TEXT)",
    "create table word (word TEXT, count INTEGER)",
    "create table xxb (ver TEXT, u TEXT, p TEXT, a TEXT, b TEXT)",
};

struct StatementFinaliser
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinaliser>;

QString engineMessage(sqlite3* handle)
{
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

Statement prepare(sqlite3* handle, const QString& sql)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
        throw StoreError(engineMessage(handle).toStdString());
    return Statement(raw);
}

void bind(sqlite3* handle, sqlite3_stmt* statement, const QVariantList& binds)
{
    for (int i = 0; i < binds.size(); ++i) {
        const QVariant& value = binds[i];
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(statement, i + 1);
        } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
            rc = sqlite3_bind_int64(statement, i + 1, value.toLongLong());
        } else {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text(statement, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            throw StoreError(engineMessage(handle).toStdString());
    }
}

QVariant columnValue(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant::fromValue<qlonglong>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    }
}

QString failure(const QString& path, const QString& reason)
{
    return QStringLiteral("无法打开数据库文件 %1: %2").arg(path, reason);
}

} // namespace

void Database::Closer::operator()(sqlite3* handle) const
{
    sqlite3_close_v2(handle);
}

Database::Database(sqlite3* handle, QString path) : m_handle(handle), m_path(std::move(path)) {}

Database::~Database() = default;

Database::OpenResult Database::open(const QString& path)
{
    const bool existed = QFileInfo::exists(path);
    if (existed && !QFile(path).open(QIODevice::ReadOnly))
        return failure(path, QStringLiteral("the file cannot be read"));
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE);
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    std::unique_ptr<Database> db(new Database(raw, path));
    if (opened != SQLITE_OK)
        return failure(path, raw ? engineMessage(raw) : QStringLiteral("out of memory"));
    sqlite3_busy_timeout(raw, BusyTimeoutMs);
    auto discardNewFile = [&](const QString& reason) -> OpenResult {
        db.reset();
        if (!existed)
            QFile::remove(path);
        return failure(path, reason);
    };
    try {
        db->exec(QStringLiteral("PRAGMA key = '%1'").arg(QString::fromLatin1(Password)));
        // A plain SQLite loaded in its place would accept the key silently and write a readable file.
        const ResultSet cipher = db->select(QStringLiteral("PRAGMA cipher_version"));
        if (cipher.rows.empty() || cipher.rows.front().value(0).toString().isEmpty())
            return discardNewFile(QStringLiteral("the database library has no encryption"));
        db->select(QStringLiteral("select count(*) from sqlite_master"));
        if (!existed) {
            for (const char* table : Schema)
                db->exec(QString::fromLatin1(table));
        }
        db->select(QStringLiteral("PRAGMA journal_mode = WAL"));
        db->exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    } catch (const StoreError& error) {
        return discardNewFile(QString::fromUtf8(error.what()));
    }
    return db;
}

void Database::exec(const QString& sql, const QVariantList& binds)
{
    Statement statement = prepare(m_handle.get(), sql);
    bind(m_handle.get(), statement.get(), binds);
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw StoreError(engineMessage(m_handle.get()).toStdString());
}

ResultSet Database::select(const QString& sql, const QVariantList& binds)
{
    Statement statement = prepare(m_handle.get(), sql);
    bind(m_handle.get(), statement.get(), binds);
    ResultSet result;
    const int columns = sqlite3_column_count(statement.get());
    for (int c = 0; c < columns; ++c)
        result.columns << QString::fromUtf8(sqlite3_column_name(statement.get(), c));
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << columnValue(statement.get(), c);
        result.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        throw StoreError(engineMessage(m_handle.get()).toStdString());
    return result;
}

qint64 Database::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_handle.get());
}

void Database::beginTransaction()
{
    if (m_transactionDepth++ == 0)
        exec(QStringLiteral("begin"));
}

void Database::commitTransaction()
{
    if (m_transactionDepth > 0 && --m_transactionDepth == 0)
        exec(QStringLiteral("commit"));
}

Transaction::~Transaction()
{
    try {
        m_db.commitTransaction();
    } catch (const StoreError&) {
        // Nothing more can be done in a destructor; the next statement reports the engine's state.
    }
}

} // namespace vorbel
