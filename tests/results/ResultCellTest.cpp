#include "results/JpegThumbnails.h"
#include "results/ResultCellText.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vorbel;

namespace {

QByteArray jpegOf(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

} // namespace

TEST(ResultCell, StripesFollowTheShownRowNumber)
{
    EXPECT_EQ(resultcell::stripe(1), QColor(241, 254, 250));
    EXPECT_EQ(resultcell::stripe(2), QColor(241, 243, 254));
    EXPECT_EQ(resultcell::stripe(37), QColor(241, 254, 250));
}

TEST(ResultCell, CountsAreWordedByShop)
{
    EXPECT_EQ(resultcell::countText(QStringLiteral("120"), QStringLiteral("淘宝网")),
              QStringLiteral("销量120笔"));
    EXPECT_EQ(resultcell::countText(QStringLiteral("120"), QStringLiteral("天猫商城")),
              QStringLiteral("销量120笔"));
    EXPECT_EQ(resultcell::countText(QStringLiteral("15"), QStringLiteral("亚马逊")),
              QStringLiteral("评论15条"));
    EXPECT_EQ(resultcell::countText(QStringLiteral("15"), QStringLiteral("1号店")),
              QStringLiteral("评论15条"));
    EXPECT_FALSE(resultcell::countText(QStringLiteral("15"), QStringLiteral("凡客诚品")).has_value());
    EXPECT_FALSE(resultcell::countText(QString(), QStringLiteral("淘宝网")).has_value());
}

TEST(ResultCell, PricesGetTheCurrencySign)
{
    EXPECT_EQ(resultcell::priceText(QStringLiteral("99")), QStringLiteral("￥99.00"));
    EXPECT_EQ(resultcell::priceText(QStringLiteral("99.5")), QStringLiteral("￥99.5"));
    EXPECT_EQ(resultcell::priceText(QStringLiteral("99.50")), QStringLiteral("￥99.50"));
    EXPECT_FALSE(resultcell::priceText(QString()).has_value());
}

TEST(ResultCell, FavouriteLinkIsBlueEvenWhenSelected)
{
    EXPECT_EQ(resultcell::favouriteColour(QStringLiteral("点击收藏"), resultcell::textColour(true)),
              QColor(0, 0, 255));
    EXPECT_EQ(resultcell::favouriteColour(QStringLiteral("已收藏"), resultcell::textColour(true)),
              QColor(255, 0, 0));
    EXPECT_EQ(resultcell::favouriteColour(QStringLiteral("已收藏"), resultcell::textColour(false)),
              QColor(0, 0, 0));
}

TEST(JpegThumbnails, DecodesNearTheTargetWithDctScaling)
{
    const QImage small = decodeJpegNear(jpegOf(800, 800), QSize(82, 80));
    ASSERT_FALSE(small.isNull());
    EXPECT_EQ(small.size(), QSize(100, 100)); // 1/8 still covers the cell
    EXPECT_EQ(decodeJpegNear(jpegOf(100, 100), QSize(82, 80)).size(), QSize(100, 100));
    const QColor centre = small.pixelColor(50, 50);
    EXPECT_GT(centre.green(), 150);
}

TEST(JpegThumbnails, BrokenFilesGiveNoPicture)
{
    const QByteArray good = jpegOf(64, 64);
    EXPECT_TRUE(
        decodeJpegNear(QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(500, 'Z'), QSize(80, 80)).isNull());
    EXPECT_TRUE(decodeJpegNear(QByteArray("not a jpeg"), QSize(80, 80)).isNull());
    EXPECT_TRUE(decodeJpegNear(QByteArray(), QSize(80, 80)).isNull());
    // A truncated file still yields what libjpeg recovers or nothing, never a crash.
    decodeJpegNear(good.left(good.size() / 2), QSize(80, 80));
    // A frame header claiming 20000 × 20000 is refused before anything is allocated.
    QByteArray huge = good;
    const qsizetype frame = huge.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    huge[frame + 5] = huge[frame + 7] = char(20000 >> 8);
    huge[frame + 6] = huge[frame + 8] = char(20000 & 0xFF);
    EXPECT_TRUE(decodeJpegNear(huge, QSize(80, 80)).isNull());
}

TEST(ThumbnailCache, KeepsDecodedPicturesAndSkipsMissingFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.jpg"));
    ThumbnailCache cache;
    EXPECT_TRUE(cache.picture(path, QSize(82, 80)).isNull());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpegOf(200, 200));
    file.close();
    const QImage first = cache.picture(path, QSize(82, 80));
    ASSERT_EQ(first.size(), QSize(82, 80));
    QFile::remove(path);
    EXPECT_EQ(cache.picture(path, QSize(82, 80)).size(), QSize(82, 80)); // from memory
}
