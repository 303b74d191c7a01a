#include "store/StoreLocation.h"

#include "store/Database.h"
#include "store/StoreTestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace vorbel;

namespace {

/// Runs each test with a scratch home, no XDG_DATA_HOME and a scratch current folder, and puts the
/// process's own back afterwards.
class StoreLocation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_savedHome = saved("HOME");
        m_savedDataHome = saved("XDG_DATA_HOME");
        m_savedCurrent = QDir::currentPath();
        ASSERT_TRUE(QDir().mkpath(home()));
        ASSERT_TRUE(QDir().mkpath(current()));
        qputenv("HOME", QFile::encodeName(home()));
        qunsetenv("XDG_DATA_HOME");
        ASSERT_TRUE(QDir::setCurrent(current()));
    }

    void TearDown() override
    {
        QDir::setCurrent(m_savedCurrent);
        restore("HOME", m_savedHome);
        restore("XDG_DATA_HOME", m_savedDataHome);
    }

    QString home() const { return m_root.filePath(QStringLiteral("home")); }
    QString current() const { return m_root.filePath(QStringLiteral("work")); }
    QString scratch(const QString& name) const { return m_root.filePath(name); }

    static std::optional<QByteArray> saved(const char* name)
    {
        return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    static void restore(const char* name, const std::optional<QByteArray>& value)
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

    /// The permission bits of a path, or -1 when it is not there.
    static int modeOf(const QString& path)
    {
        struct stat info
        {
        };
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    }

private:
    QTemporaryDir m_root;
    std::optional<QByteArray> m_savedHome;
    std::optional<QByteArray> m_savedDataHome;
    QString m_savedCurrent;
};

TEST_F(StoreLocation, CurrentFolderRuleNamesTheFileThereAndMakesNothing)
{
    EXPECT_EQ(storeFilePath(StoreFolder::Current), QStringLiteral("vorbelmd.dat"));
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/.local")));
    EXPECT_TRUE(QDir(current()).isEmpty());
}

TEST_F(StoreLocation, UserDataFolderIsMadeForThisUserOnly)
{
    const QString expected = home() + QStringLiteral("/.local/share/vorbel/vorbelmd.dat");
    EXPECT_EQ(storeFilePath(StoreFolder::UserData), expected);
    EXPECT_EQ(modeOf(home() + QStringLiteral("/.local/share/vorbel")), 0700);
    EXPECT_TRUE(QFileInfo(home() + QStringLiteral("/.local/share")).isDir());
    // Only the folder: the database itself is made by its open, and nothing lands in the current folder.
    EXPECT_FALSE(QFileInfo::exists(expected));
    EXPECT_TRUE(QDir(current()).isEmpty());
}

TEST_F(StoreLocation, XdgDataHomeIsFollowedWhenAbsoluteAndIgnoredWhenRelative)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch(QStringLiteral("data"))));
    EXPECT_EQ(userStoreFolder(), scratch(QStringLiteral("data/vorbel")));
    EXPECT_EQ(storeFilePath(StoreFolder::UserData), scratch(QStringLiteral("data/vorbel/vorbelmd.dat")));
    EXPECT_EQ(modeOf(scratch(QStringLiteral("data/vorbel"))), 0700);
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/.local")));

    qputenv("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(userStoreFolder(), home() + QStringLiteral("/.local/share/vorbel"));
    qputenv("XDG_DATA_HOME", "");
    EXPECT_EQ(userStoreFolder(), home() + QStringLiteral("/.local/share/vorbel"));
    EXPECT_FALSE(QFileInfo::exists(current() + QStringLiteral("/relative")));
}

TEST_F(StoreLocation, FileInTheCurrentFolderIsStillUsed)
{
    QFile existing(current() + QStringLiteral("/vorbelmd.dat"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    EXPECT_EQ(storeFilePath(StoreFolder::UserData), QStringLiteral("vorbelmd.dat"));
    EXPECT_FALSE(QFileInfo::exists(home() + QStringLiteral("/.local")));
}

TEST_F(StoreLocation, FolderNamedLikeTheFileIsNoFile)
{
    ASSERT_TRUE(QDir(current()).mkdir(QStringLiteral("vorbelmd.dat")));
    EXPECT_EQ(storeFilePath(StoreFolder::UserData),
              home() + QStringLiteral("/.local/share/vorbel/vorbelmd.dat"));
}

TEST_F(StoreLocation, ExistingFolderIsLeftAsItIs)
{
    const QString folder = home() + QStringLiteral("/.local/share/vorbel");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup));
    EXPECT_EQ(storeFilePath(StoreFolder::UserData), folder + QStringLiteral("/vorbelmd.dat"));
    EXPECT_EQ(modeOf(folder), 0750);
}

TEST_F(StoreLocation, UnmakeableFolderStillNamesThePathAndTheOpenReportsIt)
{
    // A file where the data folder's parent should be: the folder cannot be made.
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch(QStringLiteral("blocked"))));
    QFile blocker(scratch(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = storeFilePath(StoreFolder::UserData);
    EXPECT_EQ(path, scratch(QStringLiteral("blocked/vorbel/vorbelmd.dat")));
    EXPECT_TRUE(vorbel::test::openError(path).contains(QStringLiteral("vorbelmd.dat")));
}

TEST_F(StoreLocation, DatabaseOpensInTheUserDataFolder)
{
    const QString path = storeFilePath(StoreFolder::UserData);
    {
        auto database = vorbel::test::openDatabase(path);
        ASSERT_NE(database, nullptr);
        database->exec(QStringLiteral("insert into word (word, count) values ('手机', 1)"));
    }
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_TRUE(QDir(current()).isEmpty());
    // A second start finds the same file.
    auto again = vorbel::test::openDatabase(storeFilePath(StoreFolder::UserData));
    ASSERT_NE(again, nullptr);
    const ResultSet rows = again->select(QStringLiteral("select word from word"));
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.rows[0].value(0).toString(), QStringLiteral("手机"));
}

} // namespace
