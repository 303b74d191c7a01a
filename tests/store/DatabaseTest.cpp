#include "store/Database.h"
#include "store/StandingQuery.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vorbel;

namespace {

class DatabaseTest : public ::testing::Test
{
protected:
    QString dbPath() const { return m_dir.filePath(QStringLiteral("vorbelmd.dat")); }

    std::unique_ptr<Database> openOk()
    {
        auto opened = Database::open(dbPath());
        if (auto* error = std::get_if<QString>(&opened))
            ADD_FAILURE() << error->toStdString();
        return std::move(std::get<std::unique_ptr<Database>>(opened));
    }

    QByteArray fileBytes() const
    {
        QFile file(dbPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QString runShell(const QString& program, const QString& path, const QByteArray& script)
    {
        QProcess shell;
        shell.start(program, {path});
        shell.write(script);
        shell.closeWriteChannel();
        shell.waitForFinished(30000);
        return QString::fromUtf8(shell.readAllStandardOutput() + shell.readAllStandardError());
    }

    QTemporaryDir m_dir;
};

TEST_F(DatabaseTest, MissingFileIsCreatedWithTheFiveTables)
{
    auto db = openOk();
    const ResultSet tables =
        db->select(QStringLiteral("select name from sqlite_master where type='table' order by name"));
    QStringList names;
    for (const auto& row : tables.rows)
        names << row[0].toString();
    EXPECT_EQ(names, (QStringList{"cxnr", "scnr", "tpb", "word", "xxb"}));

    const ResultSet columns = db->select(QStringLiteral("PRAGMA table_info(cxnr)"));
    QStringList shape;
    for (const auto& row : columns.rows)
        shape << row[1].toString() + QLatin1Char(':') + row[2].toString();
    EXPECT_EQ(shape.join(QLatin1Char(' ')),
              QStringLiteral(
                  "bh:INTEGER cxrq:INTEGER cph:TEXT cpmc:TEXT xtp:TEXT dtp:TEXT rc:TEXT jg:TEXT cplj:TEXT "
                  "sjlx:TEXT cxsj:TEXT hdxx:TEXT zpbz:TEXT pjjb:TEXT check:TEXT bz1:TEXT"));
    const ResultSet word = db->select(QStringLiteral("PRAGMA table_info(word)"));
    EXPECT_EQ(word.rows.at(1).at(2).toString(), QStringLiteral("INTEGER"));
}

TEST_F(DatabaseTest, FileIsEncryptedAndOpensInTheCipherShellWithTheKey)
{
    {
        auto db = openOk();
        db->exec(QStringLiteral("insert into cxnr (bh, cpmc) values (1, 'UniqueProductName')"));
        db->exec(QStringLiteral("insert into xxb (u) values ('IdentityMarker42')"));
    }
    const QByteArray bytes = fileBytes();
    EXPECT_FALSE(bytes.startsWith("SQLite format 3"));
    EXPECT_FALSE(bytes.contains("UniqueProductName"));
    EXPECT_FALSE(bytes.contains("IdentityMarker42"));

    const QString keyed = runShell(QStringLiteral("sqlcipher"), dbPath(),
                                   "PRAGMA key='vtqzmkpe19880523';\nselect cpmc from cxnr;\n");
    EXPECT_TRUE(keyed.contains(QStringLiteral("UniqueProductName"))) << keyed.toStdString();
    const QString plain = runShell(QStringLiteral("sqlite3"), dbPath(), "select cpmc from cxnr;\n");
    EXPECT_FALSE(plain.contains(QStringLiteral("UniqueProductName")));
}

TEST_F(DatabaseTest, ReopeningKeepsDataAndShape)
{
    openOk()->exec(QStringLiteral("insert into word (word, count) values ('手机', 3)"));
    auto db = openOk();
    const ResultSet rows = db->select(QStringLiteral("select word, count from word"));
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.rows[0][0].toString(), QStringLiteral("手机"));
    EXPECT_EQ(rows.rows[0][1].toInt(), 3);
}

TEST_F(DatabaseTest, WrongKeyIsRefusedAndTheFileIsUntouched)
{
    {
        QProcess shell;
        shell.start(QStringLiteral("sqlcipher"), {dbPath()});
        shell.write("PRAGMA key='another password';\ncreate table t(x);\ninsert into t values (1);\n");
        shell.closeWriteChannel();
        ASSERT_TRUE(shell.waitForFinished(30000));
    }
    const QByteArray before = fileBytes();
    const QDateTime modified = QFileInfo(dbPath()).lastModified();
    ASSERT_FALSE(before.isEmpty());
    auto opened = Database::open(dbPath());
    ASSERT_TRUE(std::holds_alternative<QString>(opened));
    EXPECT_TRUE(std::get<QString>(opened).contains(dbPath()));
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(QFileInfo(dbPath()).lastModified(), modified);
}

TEST_F(DatabaseTest, FileThatIsNotADatabaseIsRefusedUntouched)
{
    {
        QFile file(dbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, 'x'));
    }
    auto opened = Database::open(dbPath());
    ASSERT_TRUE(std::holds_alternative<QString>(opened));
    EXPECT_EQ(fileBytes(), QByteArray(5000, 'x'));
}

TEST_F(DatabaseTest, UnreadableFolderGivesAnErrorNamingTheFile)
{
    const QString path = m_dir.filePath(QStringLiteral("missing/folder/vorbelmd.dat"));
    auto opened = Database::open(path);
    ASSERT_TRUE(std::holds_alternative<QString>(opened));
    EXPECT_TRUE(std::get<QString>(opened).contains(path));
}

TEST_F(DatabaseTest, StatementErrorsCarryTheEngineMessage)
{
    auto db = openOk();
    try {
        db->exec(QStringLiteral("select * from nosuchtable"));
        FAIL();
    } catch (const StoreError& error) {
        EXPECT_NE(std::string(error.what()).find("nosuchtable"), std::string::npos);
    }
}

TEST_F(DatabaseTest, TransactionCommitsWhenItEnds)
{
    {
        auto db = openOk();
        try {
            Transaction page(*db);
            db->exec(QStringLiteral("insert into cxnr (bh) values (1)"));
            db->exec(QStringLiteral("insert into cxnr (bh) values (2)"));
            throw StoreError("the handler stops here");
        } catch (const StoreError&) {
        }
    }
    auto db = openOk();
    EXPECT_EQ(db->select(QStringLiteral("select count(*) from cxnr")).rows[0][0].toInt(), 2);
}

} // namespace
