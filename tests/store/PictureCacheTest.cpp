#include "store/PictureCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    const PictureCache cache(dir.path() + QLatin1Char('/'));
    EXPECT_TRUE(cache.ensureFolder());
    const QFileInfo folder(cache.folder());
    EXPECT_TRUE(folder.isDir());
    EXPECT_EQ(folder.permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions());
    QFile(*cache.smallPicturePath(QStringLiteral("P1"))).open(QIODevice::WriteOnly);
    EXPECT_TRUE(cache.ensureFolder());
    EXPECT_TRUE(QFileInfo::exists(*cache.smallPicturePath(QStringLiteral("P1"))));

    const PictureCache nested(dir.filePath(QStringLiteral("no/such/")));
    EXPECT_FALSE(nested.ensureFolder());
}

TEST(PictureCache, PlantedLinksAndFilesAreNotUsed)
{
    QTemporaryDir dir;
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    const PictureCache linked(dir.path() + QLatin1Char('/'));
    ASSERT_TRUE(QFile::link(elsewhere, linked.folder()));
    EXPECT_FALSE(linked.ensureFolder());

    QTemporaryDir other;
    const PictureCache blocked(other.path() + QLatin1Char('/'));
    QFile(blocked.folder()).open(QIODevice::WriteOnly);
    EXPECT_FALSE(blocked.ensureFolder());

    const PictureCache cache(elsewhere + QLatin1Char('/'));
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
