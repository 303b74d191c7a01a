#include "store/Database.h"

#include "store/CipherKey.h"
#include "store/NumericOrder.h"
#include "store/Statement.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstring>
#include <sqlite3.h>

namespace vorbel {

namespace {

// A second copy of the program may be writing; wait a little for its lock rather than fail at once.
constexpr int BusyTimeoutMs = 2000;

const char* const Tables[] = {"cxnr", "scnr", "tpb", "word", "xxb"};

const char* const Schema[] = {
    "create table cxnr (bh INTEGER, cxrq INTEGER, cph TEXT, cpmc TEXT, xtp TEXT, dtp TEXT, rc TEXT, jg TEXT, "
    "cplj TEXT, sjlx TEXT, cxsj TEXT, hdxx TEXT, zpbz TEXT, pjjb TEXT, \"check\" TEXT, bz1 TEXT)",
    "create table scnr (ufid TEXT, user TEXT, scid TEXT, cph TEXT, cpmc TEXT, xtp TEXT, dtp TEXT, scsj TEXT, "
    "scjg TEXT, gxjg TEXT, cplj TEXT, sjlx TEXT, scrq INTEGER, bz2 TEXT, bz1 TEXT)",
    "create table tpb (word TEXT, tpid TEXT, bh TEXT)",
    "create table word (word TEXT, count INTEGER DEFAULT 0)",
    "create table xxb (ver TEXT, u TEXT, p TEXT, a TEXT, b TEXT)",
};

// The price memory came after the five tables: a file without it is still the program's own and gains it,
// with its index, without anything else changing.
const char* const PriceHistorySchema[] = {
    "create table if not exists jgls (cph TEXT, sjlx TEXT, jg TEXT, sj TEXT, zjsj TEXT)",
    "create index if not exists jgls_offer on jgls (cph, sjlx, sj)",
    // The price drops already announced, so a drop is announced once: the offer and its price then.
    "create table if not exists jgtz (cph TEXT, sjlx TEXT, jg TEXT, sj TEXT)",
    "create index if not exists jgtz_offer on jgtz (cph, sjlx, jg)",
};

QString failure(const QString& path, const QString& reason)
{
    return QStringLiteral("无法打开数据库文件 %1: %2").arg(path, reason);
}

/// The cipher's version, empty when the library is a plain SQLite (which knows no such pragma).
QString cipherVersion(sqlite3* handle)
{
    Statement statement(handle, QStringLiteral("PRAGMA cipher_version"));
    if (statement.columnCount() == 0 || !statement.step())
        return {};
    return statement.value(0).toString();
}

/// The raw key for the password and the file's salt, as the cipher of the 3.x line derives it
/// (PBKDF2-HMAC-SHA1 over its default number of rounds); the password itself for any other cipher, which then
/// derives the key on its own.
QByteArray derivedKeyText(sqlite3* handle, const QString& version, const QByteArray& salt)
{
    if (!version.startsWith(QLatin1String("3.")))
        return QByteArray(Database::Password);
    Statement rounds(handle, QStringLiteral("PRAGMA cipher_default_kdf_iter"));
    const int iterations = rounds.columnCount() == 1 && rounds.step() ? rounds.value(0).toInt() : 0;
    if (iterations <= 0)
        return QByteArray(Database::Password);
    return cipherkey::rawKeyText(
        cipherkey::pbkdf2HmacSha1(Database::Password, salt, iterations, cipherkey::KeyLength));
}

/// A file this call created is taken away again when it cannot be used, with the engine's companions.
void removeCreatedFile(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

Database::Database(ConnectionHandle handle, QString path)
    : m_handle(std::move(handle)), m_path(std::move(path))
{
}

Database::~Database() = default;

Database::OpenResult Database::open(const QString& path)
{
    const QFileInfo info(path);
    const bool existed = info.exists();
    if (existed && !info.isFile())
        return failure(path, QStringLiteral("not a file"));
    if (existed && !QFile(path).open(QIODevice::ReadOnly))
        return failure(path, QStringLiteral("the file cannot be read"));
    const bool wasEmpty = existed && info.size() == 0;

    // An existing file's key is derived here from its salt. Should the cipher refuse that key (a library
    // that derives its keys otherwise), the file is opened once more with the password, as the cipher's
    // own derivation is the one that counts.
    if (const std::optional<QByteArray> salt = existed ? cipherkey::fileSalt(path) : std::nullopt) {
        bool keyRefused = false;
        OpenResult opened = openKeyed(path, existed, wasEmpty, salt, &keyRefused);
        if (!keyRefused)
            return opened;
    }
    return openKeyed(path, existed, wasEmpty, std::nullopt, nullptr);
}

Database::OpenResult Database::openKeyed(const QString& path, bool existed, bool wasEmpty,
                                         const std::optional<QByteArray>& salt, bool* keyRefused)
{
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE);
    const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    ConnectionHandle handle(raw);
    if (opened != SQLITE_OK) {
        const QString reason = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("out of memory");
        handle.reset();
        if (!existed)
            removeCreatedFile(path);
        return failure(path, reason);
    }
    std::unique_ptr<Database> db(new Database(std::move(handle), path));
    const QString problem = db->prepareConnection(!existed || wasEmpty, salt, keyRefused);
    if (problem.isEmpty())
        return db;
    db.reset();
    if (!existed)
        removeCreatedFile(path);
    return failure(path, problem);
}

/// Everything between opening the handle and handing it out; an empty text when the connection is ready.
QString Database::prepareConnection(bool mayCreate, const std::optional<QByteArray>& salt, bool* keyRefused)
{
    sqlite3* handle = m_handle.get();
    sqlite3_busy_timeout(handle, BusyTimeoutMs);
    sqlite3_update_hook(handle, &Database::countRowWrite, this);
    sqlite3_rollback_hook(handle, &Database::countRollback, this);
    if (!registerNumericOrder(handle))
        return QString::fromUtf8(sqlite3_errmsg(handle));
    try {
        // A plain SQLite loaded in the cipher's place would ignore the key and write a readable file.
        const QString version = cipherVersion(handle);
        if (version.isEmpty())
            return QStringLiteral("the database library has no encryption");
        const QByteArray key = salt ? derivedKeyText(handle, version, *salt) : QByteArray(Password);
        if (sqlite3_key(handle, key.constData(), int(key.size())) != SQLITE_OK)
            return QString::fromUtf8(sqlite3_errmsg(handle));
        // The first read decrypts page one: a wrong key or a foreign file fails here, before any write.
        int objects = 0;
        try {
            objects = select(QStringLiteral("select count(*) from sqlite_master")).rows[0][0].toInt();
        } catch (const StoreError&) {
            if (keyRefused && key != Password && sqlite3_errcode(handle) == SQLITE_NOTADB)
                *keyRefused = true;
            throw;
        }
        if (sqlite3_db_readonly(handle, "main") == 1)
            return QStringLiteral("the file is read-only");
        if (objects == 0 && mayCreate) {
            createSchema();
        } else if (const QString missing = missingTables(); !missing.isEmpty()) {
            return QStringLiteral("the database lacks the tables ") + missing;
        }
        addPriceHistory();
        select(QStringLiteral("PRAGMA journal_mode = WAL"));
        exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    } catch (const StoreError& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

void Database::createSchema()
{
    Transaction schema(*this);
    for (const char* table : Schema)
        exec(QString::fromLatin1(table));
    schema.commit();
}

void Database::addPriceHistory()
{
    // Looked up first: a file that has both is then opened without a write.
    const ResultSet found = select(QStringLiteral("select count(*) from sqlite_master where name in "
                                                  "('jgls', 'jgls_offer', 'jgtz', 'jgtz_offer')"));
    if (found.rows[0][0].toInt() == int(std::size(PriceHistorySchema)))
        return;
    Transaction schema(*this);
    for (const char* statement : PriceHistorySchema)
        exec(QString::fromLatin1(statement));
    schema.commit();
}

QString Database::missingTables()
{
    QStringList missing;
    for (const char* table : Tables) {
        const ResultSet found =
            select(QStringLiteral("select count(*) from sqlite_master where type='table' and name=?"),
                   {QString::fromLatin1(table)});
        if (found.rows[0][0].toInt() == 0)
            missing << QString::fromLatin1(table);
    }
    return missing.join(QStringLiteral(", "));
}

Statement Database::borrow(const QString& sql)
{
    // The entry stays while its statement is out, so a statement in use twice at once is prepared again.
    if (auto found = m_statements.find(sql); found != m_statements.end() && found->second)
        return Statement(m_handle.get(), std::move(found->second));
    return Statement(m_handle.get(), sql);
}

void Database::giveBack(const QString& sql, Statement& statement)
{
    // Statements are few and fixed, apart from a keyword's quoted literals; a full cache starts over.
    constexpr std::size_t MaxStatements = 64;
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        if (m_statements.size() >= MaxStatements)
            m_statements.clear();
        m_statements.emplace(sql, statement.release());
    } else if (!found->second) {
        found->second = statement.release();
    }
}

int Database::exec(const QString& sql, const QVariantList& binds)
{
    Statement statement = borrow(sql);
    statement.bind(binds);
    statement.run();
    const int changed = sqlite3_changes(m_handle.get());
    giveBack(sql, statement);
    return changed;
}

ResultSet Database::select(const QString& sql, const QVariantList& binds)
{
    Statement statement = borrow(sql);
    statement.bind(binds);
    const int columns = statement.columnCount();
    // Stepping a statement that returns nothing would run it: a "delete" must not pass for a select.
    if (columns == 0)
        throw StoreError("the statement returns no rows: " + sql.toStdString());
    ResultSet result;
    for (int c = 0; c < columns; ++c)
        result.columns << statement.columnName(c);
    while (statement.step()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << statement.value(c);
        result.rows.push_back(std::move(row));
    }
    giveBack(sql, statement);
    return result;
}

void Database::forEachRow(const QString& sql, const QVariantList& binds,
                          const std::function<void(const Statement&)>& eachRow, QStringList* columns)
{
    Statement statement = borrow(sql);
    statement.bind(binds);
    const int count = statement.columnCount();
    if (count == 0)
        throw StoreError("the statement returns no rows: " + sql.toStdString());
    if (columns) {
        columns->clear();
        for (int c = 0; c < count; ++c)
            *columns << statement.columnName(c);
    }
    while (statement.step())
        eachRow(statement);
    giveBack(sql, statement);
}

quint64 Database::changeStamp()
{
    // data_version moves only for other connections' commits, total_changes only for this one's writes
    // (rolled back ones too, which only costs a needless read).
    const quint64 others =
        quint64(select(QStringLiteral("PRAGMA data_version")).rows.at(0).value(0).toLongLong());
    return (others << 32) ^ quint64(unsigned(sqlite3_total_changes(m_handle.get())));
}

void Database::countRowWrite(void* self, int, const char*, const char* table, long long)
{
    auto* db = static_cast<Database*>(self);
    ++db->m_namedWrites;
    for (auto& [name, count] : db->m_rowWrites) {
        if (std::strcmp(name.constData(), table) == 0) {
            ++count;
            return;
        }
    }
    db->m_rowWrites.emplace_back(QByteArray(table), 1);
}

void Database::countRollback(void* self)
{
    ++static_cast<Database*>(self)->m_rollbacks;
}

Database::TableStamp Database::localTableStamp(const QString& table) const
{
    TableStamp stamp;
    for (const auto& [name, count] : m_rowWrites) {
        // The hook names a table as it was created; statements may spell it in any case.
        if (QLatin1String(name).compare(table, Qt::CaseInsensitive) == 0)
            stamp.rowWrites += count;
    }
    // The engine counts the rows of a table emptied at once ("delete from cxnr") among its changes
    // without calling the update hook for them: whatever it counts beyond the hook may be any table.
    stamp.unnamedWrites = quint64(unsigned(sqlite3_total_changes(m_handle.get()))) - m_namedWrites;
    stamp.rollbacks = m_rollbacks;
    return stamp;
}

Database::TableStamp Database::tableStamp(const QString& table)
{
    TableStamp stamp = localTableStamp(table);
    stamp.others = select(QStringLiteral("PRAGMA data_version")).rows.at(0).value(0).toLongLong();
    return stamp;
}

qint64 Database::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_handle.get());
}

bool Database::inTransaction() const
{
    return m_transactionDepth > 0 && sqlite3_get_autocommit(m_handle.get()) == 0;
}

void Database::beginTransaction()
{
    if (m_transactionDepth == 0)
        exec(QStringLiteral("begin"));
    ++m_transactionDepth;
}

void Database::commitTransaction()
{
    if (m_transactionDepth == 0 || --m_transactionDepth > 0)
        return;
    // Some failures (a full disk, an I/O error) make the engine roll back by itself; nothing is left.
    if (sqlite3_get_autocommit(m_handle.get()) != 0)
        return;
    try {
        exec(QStringLiteral("commit"));
    } catch (const StoreError&) {
        // Left open, the transaction would swallow every later post until the program ends and then
        // lose them all; back in autocommit, only this transaction's rows are lost and later posts stay.
        if (sqlite3_get_autocommit(m_handle.get()) == 0)
            sqlite3_exec(m_handle.get(), "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}

Transaction::Transaction(Database& db) : m_db(db)
{
    m_db.beginTransaction();
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    try {
        commit();
    } catch (const StoreError& error) {
        qWarning("vorbel: commit failed: %s", error.what());
    }
}

void Transaction::commit()
{
    if (!m_open)
        return;
    m_open = false;
    m_db.commitTransaction();
}

Savepoint::Savepoint(Database& db, const char* name) : m_db(db), m_name(QString::fromLatin1(name))
{
    // Outside a transaction a savepoint would begin one of its own behind the guards' backs.
    if (!m_db.inTransaction())
        throw StoreError("a savepoint needs an open transaction");
    m_db.exec(QStringLiteral("savepoint ") + m_name);
}

Savepoint::~Savepoint()
{
    if (!m_open || !m_db.inTransaction())
        return;
    try {
        m_db.exec(QStringLiteral("release ") + m_name);
    } catch (const StoreError& error) {
        qWarning("vorbel: savepoint not released: %s", error.what());
    }
}

void Savepoint::release()
{
    if (!m_open)
        return;
    m_open = false;
    m_db.exec(QStringLiteral("release ") + m_name);
}

void Savepoint::rollBack()
{
    if (!m_open)
        return;
    // "rollback to" keeps the savepoint; releasing it then keeps nothing, the writes being gone.
    m_db.exec(QStringLiteral("rollback to ") + m_name);
    release();
}

} // namespace vorbel
