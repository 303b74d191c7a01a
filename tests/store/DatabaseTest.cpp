#include "StoreTestSupport.h"

#include "store/StoreOpening.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <limits>
#include <thread>

using namespace vorbel;
using namespace vorbel::test;

namespace {

const QByteArray KeyLine = "PRAGMA key='vtqzmkpe19880523';\n";

class DatabaseTest : public ::testing::Test
{
protected:
    QString dbPath() const { return m_dir.filePath(QStringLiteral("vorbelmd.dat")); }

    QString tableShape(Database& db, const QString& table) const
    {
        QStringList shape;
        for (const QVariantList& row : db.select(QStringLiteral("PRAGMA table_info(%1)").arg(table)).rows)
            shape << row[1].toString() + QLatin1Char(':') + row[2].toString();
        return shape.join(QLatin1Char(' '));
    }

    /// Makes a file the way an outsider would: keyed with `key` by the stock shell, in its own journal mode.
    void shellDatabase(const QByteArray& key)
    {
        runShell(CipherShell, dbPath(),
                 "PRAGMA key='" + key + "';\ncreate table t(x);\ninsert into t values (1);\n");
        ASSERT_FALSE(fileBytes(dbPath()).isEmpty());
    }

    /// Checks that opening is refused and that neither the file nor its folder changed.
    void expectRefusedUntouched(const char* reason)
    {
        const QByteArray before = fileBytes(dbPath());
        const QDateTime modified = QFileInfo(dbPath()).lastModified();
        const QStringList listing = folderListing(m_dir.path());
        const QString error = openError(dbPath());
        EXPECT_TRUE(error.contains(dbPath())) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(reason), Qt::CaseInsensitive)) << error.toStdString();
        EXPECT_EQ(fileBytes(dbPath()), before);
        EXPECT_EQ(QFileInfo(dbPath()).lastModified(), modified);
        EXPECT_EQ(folderListing(m_dir.path()), listing);
    }

    QTemporaryDir m_dir;
};

TEST_F(DatabaseTest, MissingFileIsCreatedWithTheFiveTablesInTheirShape)
{
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    QStringList names;
    for (const auto& row :
         db->select(QStringLiteral("select name from sqlite_master where type='table' order by name")).rows)
        names << row[0].toString();
    EXPECT_EQ(names, (QStringList{"cxnr", "jgls", "jgtz", "scnr", "tpb", "word", "xxb"}));

    EXPECT_EQ(
        tableShape(*db, QStringLiteral("cxnr")),
        QStringLiteral("bh:INTEGER cxrq:INTEGER cph:TEXT cpmc:TEXT xtp:TEXT dtp:TEXT rc:TEXT jg:TEXT "
                       "cplj:TEXT sjlx:TEXT cxsj:TEXT hdxx:TEXT zpbz:TEXT pjjb:TEXT check:TEXT bz1:TEXT"));
    EXPECT_EQ(tableShape(*db, QStringLiteral("scnr")),
              QStringLiteral("ufid:TEXT user:TEXT scid:TEXT cph:TEXT cpmc:TEXT xtp:TEXT dtp:TEXT scsj:TEXT "
                             "scjg:TEXT gxjg:TEXT cplj:TEXT sjlx:TEXT scrq:INTEGER bz2:TEXT bz1:TEXT"));
    EXPECT_EQ(tableShape(*db, QStringLiteral("tpb")), QStringLiteral("word:TEXT tpid:TEXT bh:TEXT"));
    EXPECT_EQ(tableShape(*db, QStringLiteral("word")), QStringLiteral("word:TEXT count:INTEGER"));
    EXPECT_EQ(tableShape(*db, QStringLiteral("xxb")), QStringLiteral("ver:TEXT u:TEXT p:TEXT a:TEXT b:TEXT"));
    EXPECT_EQ(db->select(QStringLiteral("PRAGMA journal_mode")).rows[0][0].toString(), QStringLiteral("wal"));
}

TEST_F(DatabaseTest, FileIsEncryptedAndOnlyTheCipherShellWithTheKeyReadsIt)
{
    {
        auto db = openDatabase(dbPath());
        ASSERT_TRUE(db);
        db->exec(QStringLiteral("insert into cxnr (bh, cpmc) values (1, 'UniqueProductName')"));
        db->exec(QStringLiteral("insert into xxb (u) values ('IdentityMarker42')"));
        // A second reader, like a second copy of the program, sees the rows while the file is open.
        const QString whileOpen = runShell(CipherShell, dbPath(), KeyLine + "select cpmc from cxnr;\n");
        EXPECT_TRUE(whileOpen.contains(QStringLiteral("UniqueProductName"))) << whileOpen.toStdString();
    }
    const QByteArray bytes = fileBytes(dbPath());
    EXPECT_FALSE(bytes.startsWith("SQLite format 3"));
    EXPECT_FALSE(bytes.contains("UniqueProductName"));
    EXPECT_FALSE(bytes.contains("IdentityMarker42"));

    EXPECT_EQ(runShell(CipherShell, dbPath(), KeyLine + "select count(*) from xxb;\n").trimmed(),
              QStringLiteral("1"));
    const QString keyless = runShell(CipherShell, dbPath(), "select count(*) from xxb;\n");
    EXPECT_TRUE(keyless.contains(QStringLiteral("not a database"))) << keyless.toStdString();
    const QString plain = runShell(PlainShell, dbPath(), "select cpmc from cxnr;\n");
    EXPECT_TRUE(plain.contains(QStringLiteral("not a database"))) << plain.toStdString();
    EXPECT_FALSE(plain.contains(QStringLiteral("UniqueProductName")));
}

TEST_F(DatabaseTest, ReopeningKeepsDataAndShape)
{
    QString schemaBefore;
    {
        auto db = openDatabase(dbPath());
        ASSERT_TRUE(db);
        db->exec(QStringLiteral("insert into word (word, count) values ('手机', 3)"));
        schemaBefore = db->select(QStringLiteral("select group_concat(sql, ';') from sqlite_master"))
                           .rows[0][0]
                           .toString();
    }
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    const ResultSet rows = db->select(QStringLiteral("select word, count from word"));
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.rows[0][0].toString(), QStringLiteral("手机"));
    EXPECT_EQ(rows.rows[0][1].toInt(), 3);
    EXPECT_EQ(db->select(QStringLiteral("select group_concat(sql, ';') from sqlite_master")).rows[0][0],
              schemaBefore);
}

TEST_F(DatabaseTest, FileTheStockShellMadeWithTheTablesOpensWithItsRows)
{
    QByteArray script = KeyLine;
    for (const char* table : {"cxnr(bh)", "scnr(ufid)", "tpb(word)", "word(word, count)", "xxb(ver)"})
        script += QByteArray("create table ") + table + ";\n";
    script += "insert into word values ('外面', 7);\n";
    runShell(CipherShell, dbPath(), script);
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    EXPECT_EQ(db->select(QStringLiteral("select word || count from word")).rows[0][0].toString(),
              QStringLiteral("外面7"));
}

TEST_F(DatabaseTest, WrongKeyIsRefusedAndTheFileIsUntouched)
{
    shellDatabase("another password");
    expectRefusedUntouched("not a database");
}

TEST_F(DatabaseTest, OwnFileRekeyedElsewhereIsRefusedUntouched)
{
    {
        auto db = openDatabase(dbPath());
        ASSERT_TRUE(db);
        db->exec(QStringLiteral("insert into word (word) values ('x')"));
    }
    runShell(CipherShell, dbPath(), KeyLine + "PRAGMA rekey='someone else';\n");
    ASSERT_TRUE(runShell(CipherShell, dbPath(), KeyLine + "select count(*) from word;\n")
                    .contains(QStringLiteral("not a database")));
    expectRefusedUntouched("not a database");
}

TEST_F(DatabaseTest, FileThatIsNotADatabaseIsRefusedUntouched)
{
    {
        QFile file(dbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, 'x'));
    }
    expectRefusedUntouched("not a database");
    EXPECT_EQ(fileBytes(dbPath()), QByteArray(5000, 'x'));
}

TEST_F(DatabaseTest, KeyedDatabaseWithoutTheTablesIsRefusedUntouched)
{
    runShell(CipherShell, dbPath(), KeyLine + "create table cxnr(bh);\n");
    expectRefusedUntouched("scnr, tpb, word, xxb");
}

TEST_F(DatabaseTest, FileLockedByAnotherProgramIsRefusedUntouched)
{
    shellDatabase("vtqzmkpe19880523");
    const QString marker = m_dir.filePath(QStringLiteral("locked"));
    QProcess holder;
    holder.start(CipherShell, {dbPath()});
    ASSERT_TRUE(holder.waitForStarted(30000));
    holder.write(KeyLine + "begin exclusive;\nselect count(*) from sqlite_master;\n.system touch '" +
                 marker.toUtf8() + "'\n");
    ASSERT_TRUE(holder.waitForBytesWritten(30000));
    for (int i = 0; i < 3000 && !QFileInfo::exists(marker); ++i)
        QThread::msleep(10);
    ASSERT_TRUE(QFileInfo::exists(marker)) << "the shell did not take the lock";
    QFile::remove(marker);

    expectRefusedUntouched("locked");
    holder.closeWriteChannel();
    EXPECT_TRUE(holder.waitForFinished(30000));
}

TEST_F(DatabaseTest, EmptyFileIsGivenTheTables)
{
    QFile(dbPath()).open(QIODevice::WriteOnly);
    ASSERT_EQ(QFileInfo(dbPath()).size(), 0);
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    EXPECT_EQ(db->select(QStringLiteral("select count(*) from sqlite_master where type='table'")).rows[0][0],
              7); // the five, the price history and the drops announced
}

TEST_F(DatabaseTest, MissingFolderGivesAnErrorNamingTheFileAndCreatesNothing)
{
    const QString path = m_dir.filePath(QStringLiteral("missing/vorbelmd.dat"));
    const QString error = openError(path);
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_TRUE(folderListing(m_dir.path()).isEmpty());
}

TEST_F(DatabaseTest, StatementErrorsCarryTheEngineMessage)
{
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    try {
        db->exec(QStringLiteral("select * from nosuchtable"));
        FAIL() << "no error";
    } catch (const StoreError& error) {
        EXPECT_NE(std::string(error.what()).find("no such table: nosuchtable"), std::string::npos);
    }
}

TEST_F(DatabaseTest, OnlyOneStatementRunsAndSelectsNeverWrite)
{
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    db->exec(QStringLiteral("insert into word (word) values ('a');"));
    EXPECT_THROW(db->exec(QStringLiteral("insert into word (word) values ('b'); delete from word")),
                 StoreError);
    EXPECT_THROW(db->select(QStringLiteral("delete from word")), StoreError);
    EXPECT_THROW(db->exec(QStringLiteral("insert into word (word) values (?)")), StoreError);
    EXPECT_EQ(db->select(QStringLiteral("select group_concat(word) from word")).rows[0][0].toString(),
              QStringLiteral("a"));
    EXPECT_EQ(db->exec(QStringLiteral("update word set count = 1")), 1);
}

TEST_F(DatabaseTest, TransactionCommitsWhenTheHandlerStops)
{
    {
        auto db = openDatabase(dbPath());
        ASSERT_TRUE(db);
        try {
            Transaction page(*db);
            db->exec(QStringLiteral("insert into cxnr (bh) values (1)"));
            db->exec(QStringLiteral("insert into cxnr (bh) values (2)"));
            EXPECT_TRUE(db->inTransaction());
            db->exec(QStringLiteral("insert into nosuchtable values (3)"));
        } catch (const StoreError&) {
        }
        EXPECT_FALSE(db->inTransaction());
        db->exec(QStringLiteral("insert into cxnr (bh) values (4)"));
    }
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    EXPECT_EQ(db->select(QStringLiteral("select group_concat(bh) from cxnr")).rows[0][0].toString(),
              QStringLiteral("1,2,4"));
}

TEST_F(DatabaseTest, NestedTransactionsCommitAtTheOutermost)
{
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    {
        Transaction outer(*db);
        {
            Transaction inner(*db);
            db->exec(QStringLiteral("insert into tpb (word) values ('a')"));
            inner.commit();
            EXPECT_TRUE(db->inTransaction());
        }
        outer.commit();
        EXPECT_FALSE(db->inTransaction());
        outer.commit(); // a second commit is harmless
    }
    EXPECT_EQ(runShell(CipherShell, dbPath(), KeyLine + "select count(*) from tpb;\n").trimmed(),
              QStringLiteral("1"));
}

TEST_F(DatabaseTest, SavepointUndoesOnlyTheWritesAfterItAndKeepsTheRestOtherwise)
{
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    EXPECT_THROW(Savepoint(*db, "alone"), StoreError) << "it would begin a transaction of its own";
    {
        Transaction page(*db);
        db->exec(QStringLiteral("insert into cxnr (bh) values (1)"));
        {
            Savepoint undone(*db, "part");
            db->exec(QStringLiteral("insert into cxnr (bh) values (2)"));
            undone.rollBack();
            EXPECT_TRUE(db->inTransaction());
        }
        {
            Savepoint kept(*db, "part");
            db->exec(QStringLiteral("insert into cxnr (bh) values (3)"));
        }
        Savepoint released(*db, "part");
        db->exec(QStringLiteral("insert into cxnr (bh) values (4)"));
        released.release();
        page.commit();
    }
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(runShell(CipherShell, dbPath(), KeyLine + "select group_concat(bh) from cxnr;\n").trimmed(),
              QStringLiteral("1,3,4"));
}

} // namespace

TEST_F(DatabaseTest, StatementsRunAgainWithNewValuesAndSeeEveryChange)
{
    auto db = openDatabase(dbPath());
    ASSERT_TRUE(db);
    const QString insert = QStringLiteral("insert into word (word, count) values (?, ?)");
    const QString count = QStringLiteral("select count(*), sum(count) from word where word = ?");
    for (int i = 0; i < 3; ++i)
        db->exec(insert, {QStringLiteral("w%1").arg(i % 2), i});
    EXPECT_EQ(db->select(count, {QStringLiteral("w0")}).rows[0], (QVariantList{2, 2}));
    EXPECT_EQ(db->select(count, {QStringLiteral("w1")}).rows[0], (QVariantList{1, 1}));

    // A failed use leaves nothing behind for the next one: no stale value, no open read.
    EXPECT_THROW(db->exec(insert, {QStringLiteral("w9")}), StoreError);
    const QString absolute = QStringLiteral("select abs(?)");
    EXPECT_THROW(db->select(absolute, {QVariant::fromValue(std::numeric_limits<qlonglong>::min())}),
                 StoreError); // fails while stepping
    EXPECT_EQ(db->select(absolute, {-5}).rows[0][0].toInt(), 5);
    db->exec(insert, {QStringLiteral("w0"), 10});
    EXPECT_EQ(db->select(count, {QStringLiteral("w0")}).rows[0], (QVariantList{3, 12}));

    // More statements than are kept, then the first ones again.
    for (int i = 0; i < 150; ++i)
        EXPECT_EQ(db->select(QStringLiteral("select %1 + ?").arg(i), {1}).rows[0][0].toInt(), i + 1);
    EXPECT_EQ(db->select(count, {QStringLiteral("w1")}).rows[0], (QVariantList{1, 1}));

    // A table made anew under a kept statement.
    db->exec(QStringLiteral("drop table word"));
    db->exec(QStringLiteral("create table word (word TEXT, count INTEGER DEFAULT 0, extra TEXT)"));
    db->exec(insert, {QStringLiteral("w1"), 5});
    EXPECT_EQ(db->select(count, {QStringLiteral("w1")}).rows[0], (QVariantList{1, 5}));
    Transaction transaction(*db); // a kept read would hold the file and make this fail
    db->exec(insert, {QStringLiteral("w1"), 1});
}

TEST_F(DatabaseTest, APlainSqliteLoadedFirstIsRefusedAndWritesNoFile)
{
    const QString plainLibrary = QStringLiteral("/usr/lib/x86_64-linux-gnu/libsqlite3.so.0");
    if (!QFileInfo::exists(plainLibrary))
        GTEST_SKIP() << "no plain SQLite library to load first";
    auto run = [&](bool preloadPlain) {
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (preloadPlain) {
            environment.insert(QStringLiteral("LD_PRELOAD"), plainLibrary);
            // A sanitizer build would otherwise refuse to start behind a preloaded library.
            environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0"));
        }
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(STORE_OPEN_PROBE), {dbPath()});
        EXPECT_TRUE(probe.waitForFinished(30000));
        return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
    };
    const QString refused = run(true);
    EXPECT_TRUE(refused.startsWith(QStringLiteral("refused: "))) << refused.toStdString();
    EXPECT_TRUE(refused.contains(dbPath())) << refused.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dbPath())) << "a plain library must not leave a readable file";
    EXPECT_EQ(run(false), QStringLiteral("opened"));
    EXPECT_FALSE(fileBytes(dbPath()).startsWith("SQLite format 3"));
}

TEST_F(DatabaseTest, AnOpeningRunsItsFirstWorkOnItsOwnThreadBeforeTheFileIsTouched)
{
    bool fileThere = true;
    std::thread::id worker;
    StoreOpening opening(dbPath(), [&] {
        fileThere = QFileInfo::exists(dbPath());
        worker = std::this_thread::get_id();
    });
    auto opened = opening.take();
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<Database>>(opened));
    EXPECT_FALSE(fileThere);
    EXPECT_NE(worker, std::thread::id());
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_TRUE(QFileInfo::exists(dbPath()));
}
