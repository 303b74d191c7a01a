#include "store/PictureCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace vorbel;

namespace {

TEST(PictureCache, HostileProductIdsGetNoFileName)
{
    const PictureCache cache(QStringLiteral("/tmp/x/"));
    const QString hostile[] = {QStringLiteral("../x"),
                               QStringLiteral("/etc/passwd"),
                               QStringLiteral("a\\b"),
                               QStringLiteral("a/b"),
                               QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b"),
                               QString(300, QLatin1Char('a')),
                               QString(121, QLatin1Char('a')),
                               QString(90, QChar(0x624B)), // 270 bytes once encoded
                               QString(),
                               QStringLiteral("."),
                               QStringLiteral(".."),
                               QStringLiteral(".hidden"),
                               QStringLiteral("x..y"),
                               QStringLiteral("a\nb"),
                               QStringLiteral("a\x7f"),
                               QString(QStringLiteral("a")) + QChar(0x85),
                               QString(QStringLiteral("a")) + QChar(0xD800),
                               QStringLiteral("C:x")};
    for (const QString& cph : hostile) {
        EXPECT_FALSE(PictureCache::isSafeName(cph)) << cph.toStdString();
        EXPECT_FALSE(cache.smallPicturePath(cph).has_value()) << cph.toStdString();
        EXPECT_FALSE(cache.largePicturePath(cph).has_value()) << cph.toStdString();
    }
}

TEST(PictureCache, ProductIdsNameTheirTwoPictures)
{
    const PictureCache cache(QStringLiteral("/tmp/x/"));
    EXPECT_EQ(cache.folder(), QStringLiteral("/tmp/x/vorbelpic"));
    EXPECT_EQ(cache.smallPicturePath(QStringLiteral("P1a2")), QStringLiteral("/tmp/x/vorbelpic/P1a2.jpg"));
    EXPECT_EQ(cache.largePicturePath(QStringLiteral("P1a2")),
              QStringLiteral("/tmp/x/vorbelpic/P1a2_dtp.jpg"));
    EXPECT_EQ(cache.smallPicturePath(QStringLiteral("手机-1.x")),
              QStringLiteral("/tmp/x/vorbelpic/手机-1.x.jpg"));
    EXPECT_TRUE(cache.smallPicturePath(QString(120, QLatin1Char('a'))).has_value());
    // An empty temporary folder leaves the cache relative to the current folder.
    EXPECT_EQ(PictureCache(QString()).smallPicturePath(QStringLiteral("P1")),
              QStringLiteral("vorbelpic/P1.jpg"));
    EXPECT_TRUE(TempFolderPath().endsWith(QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(TempFolderPath()).isDir());
}

TEST(PictureCache, FolderIsCreatedOnceForThisUserOnly)
{
    QTemporaryDir dir;
    PictureCache cache(dir.path() + QLatin1Char('/'));
    EXPECT_TRUE(cache.ensureFolder());
    EXPECT_EQ(cache.folder(), cache.sharedFolder());
    const QFileInfo folder(cache.folder());
    EXPECT_TRUE(folder.isDir());
    EXPECT_EQ(folder.permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions());
    QFile(*cache.smallPicturePath(QStringLiteral("P1"))).open(QIODevice::WriteOnly);
    EXPECT_TRUE(cache.ensureFolder());
    EXPECT_TRUE(QFileInfo::exists(*cache.smallPicturePath(QStringLiteral("P1"))));
    EXPECT_FALSE(QFileInfo::exists(cache.privateFolder()));
}

TEST(PictureCache, WithoutAnyUsableFolderNoPictureFileIsNamed)
{
    QTemporaryDir dir;
    PictureCache nested(dir.filePath(QStringLiteral("no/such/")));
    EXPECT_FALSE(nested.ensureFolder());
    EXPECT_FALSE(nested.smallPicturePath(QStringLiteral("P1")).has_value());
    EXPECT_FALSE(nested.largePicturePath(QStringLiteral("P1")).has_value());

    // Links planted at both names: nothing of ours to write into.
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    PictureCache linked(dir.path() + QLatin1Char('/'));
    ASSERT_TRUE(QFile::link(elsewhere, linked.sharedFolder()));
    ASSERT_TRUE(QFile::link(elsewhere, linked.privateFolder()));
    EXPECT_FALSE(linked.ensureFolder());
    EXPECT_FALSE(linked.smallPicturePath(QStringLiteral("P1")).has_value());

    // Once a folder can be had again, the pictures have names again.
    ASSERT_TRUE(QFile::remove(linked.privateFolder()));
    EXPECT_TRUE(linked.ensureFolder());
    EXPECT_EQ(linked.smallPicturePath(QStringLiteral("P1")),
              linked.privateFolder() + QStringLiteral("/P1.jpg"));
}

TEST(PictureCache, SharedFolderThatIsNotOursGivesWayToAPrivateOne)
{
    QTemporaryDir dir;
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    PictureCache linked(dir.path() + QLatin1Char('/'));
    EXPECT_EQ(linked.privateFolder().left(linked.sharedFolder().size() + 1),
              linked.sharedFolder() + QLatin1Char('-'));
    ASSERT_TRUE(QFile::link(elsewhere, linked.sharedFolder()));
    EXPECT_TRUE(linked.ensureFolder());
    EXPECT_EQ(linked.folder(), linked.privateFolder());
    const QFileInfo folder(linked.privateFolder());
    EXPECT_TRUE(folder.isDir() && !folder.isSymLink());
    EXPECT_EQ(folder.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                      QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup),
              QFile::Permissions());
    EXPECT_EQ(linked.smallPicturePath(QStringLiteral("P1")),
              linked.privateFolder() + QStringLiteral("/P1.jpg"));
    EXPECT_EQ(linked.largePicturePath(QStringLiteral("P1")),
              linked.privateFolder() + QStringLiteral("/P1_dtp.jpg"));
    EXPECT_TRUE(QDir(elsewhere).isEmpty());

    // A file planted as the shared folder is passed over the same way.
    QTemporaryDir other;
    PictureCache blocked(other.path() + QLatin1Char('/'));
    QFile(blocked.sharedFolder()).open(QIODevice::WriteOnly);
    EXPECT_TRUE(blocked.ensureFolder());
    EXPECT_EQ(blocked.folder(), blocked.privateFolder());
}

#ifdef Q_OS_UNIX
TEST(PictureCache, AnotherUsersFolderIsRefusedUnderEitherName)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a folder of another user can only be made by root";
    constexpr uid_t Nobody = 65534;
    QTemporaryDir dir;
    PictureCache cache(dir.path() + QLatin1Char('/'));
    ASSERT_TRUE(QDir().mkdir(cache.sharedFolder()));
    ASSERT_EQ(::chown(QFile::encodeName(cache.sharedFolder()).constData(), Nobody, Nobody), 0);
    EXPECT_TRUE(cache.ensureFolder());
    EXPECT_EQ(cache.folder(), cache.privateFolder());
    EXPECT_EQ(QFileInfo(cache.privateFolder()).ownerId(), ::getuid());

    QTemporaryDir both;
    PictureCache taken(both.path() + QLatin1Char('/'));
    for (const QString& folder : {taken.sharedFolder(), taken.privateFolder()}) {
        ASSERT_TRUE(QDir().mkdir(folder));
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), Nobody, Nobody), 0);
    }
    EXPECT_FALSE(taken.ensureFolder());
    EXPECT_FALSE(taken.smallPicturePath(QStringLiteral("P1")).has_value());
}
#endif

TEST(PictureCache, PlantedPictureLinksAreNotPlainFiles)
{
    QTemporaryDir dir;
    PictureCache cache(dir.path() + QLatin1Char('/'));
    ASSERT_TRUE(cache.ensureFolder());
    const QString target = dir.filePath(QStringLiteral("outside.jpg"));
    QFile(target).open(QIODevice::WriteOnly);
    const QString link = *cache.smallPicturePath(QStringLiteral("P1"));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_FALSE(PictureCache::isPlainFile(link));
    EXPECT_TRUE(PictureCache::isPlainFile(target));
    EXPECT_FALSE(PictureCache::isPlainFile(cache.folder()));
    EXPECT_FALSE(PictureCache::isPlainFile(*cache.smallPicturePath(QStringLiteral("missing"))));
}

} // namespace
