#include "results/JpegThumbnails.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <vector>

using namespace vorbel;

namespace {

QByteArray savedJpeg(int width, int height, const QColor& colour = QColor(10, 200, 30))
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

/// A progressive JPEG written with libjpeg: its standard scan script, or one scan per AC coefficient and
/// component (190 scans).
QByteArray progressiveJpeg(int width, int height, bool scanPerCoefficient)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_simple_progression(&info);
    std::vector<jpeg_scan_info> script;
    if (scanPerCoefficient) {
        script.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
        for (int component = 0; component < 3; ++component) {
            for (int k = 1; k < 64; ++k)
                script.push_back({1, {component, 0, 0, 0}, k, k, 0, 0});
        }
        info.scan_info = script.data();
        info.num_scans = int(script.size());
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            row[std::size_t(x) * 3] = static_cast<unsigned char>(x * 255 / width);
            row[std::size_t(x) * 3 + 1] = static_cast<unsigned char>(y * 255 / height);
            row[std::size_t(x) * 3 + 2] = 128;
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    jpeg_destroy_compress(&info);
    std::free(out);
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(JpegThumbnails, DctScalingPicksTheSmallestScaleCoveringTheTarget)
{
    const QSize cell(82, 80);
    const QImage eighth = decodeJpegNear(savedJpeg(800, 800), cell);
    ASSERT_FALSE(eighth.isNull());
    EXPECT_EQ(eighth.size(), QSize(100, 100)); // 1/8
    EXPECT_GT(eighth.pixelColor(50, 50).green(), 150);
    EXPECT_EQ(decodeJpegNear(savedJpeg(400, 400), cell).size(), QSize(100, 100)); // 2/8
    EXPECT_EQ(decodeJpegNear(savedJpeg(200, 200), cell).size(), QSize(100, 100)); // 4/8
    // Between the powers of two: 6/8 of 120 would be 90, 5/8 only 75, short of the cell.
    EXPECT_EQ(decodeJpegNear(savedJpeg(120, 120), cell).size(), QSize(90, 90));
    // 7/8 of 100 is 87.5, rounded up as libjpeg does; 6/8 (75) would leave the cell short.
    EXPECT_EQ(decodeJpegNear(savedJpeg(100, 100), cell).size(), QSize(88, 88));
    // A picture smaller than the cell is enlarged by the decode, as far as the height needs: 16/8.
    EXPECT_EQ(decodeJpegNear(savedJpeg(60, 40), cell).size(), QSize(120, 80));
    // Even 16/8 is short: the largest scale there is.
    EXPECT_EQ(decodeJpegNear(savedJpeg(30, 30), cell).size(), QSize(60, 60));
    // One side decides: 1/8 of 1600 would do for the width, but the height needs 4/8.
    EXPECT_EQ(decodeJpegNear(savedJpeg(1600, 200), cell).size(), QSize(800, 100));
    // A picture exactly the cell's size is decoded whole.
    EXPECT_EQ(decodeJpegNear(savedJpeg(82, 80), cell).size(), QSize(82, 80));
}

TEST(JpegThumbnails, GreyAndProgressivePicturesDecode)
{
    QImage grey(120, 90, QImage::Format_Grayscale8);
    grey.fill(200);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(grey.save(&buffer, "JPEG"));
    const QImage greyDecoded = decodeJpegNear(bytes, QSize(82, 80));
    ASSERT_EQ(greyDecoded.size(), QSize(120, 90));
    EXPECT_NEAR(greyDecoded.pixelColor(60, 45).red(), 200, 3);

    const QImage progressive = decodeJpegNear(progressiveJpeg(330, 330, false), QSize(82, 80));
    ASSERT_EQ(progressive.size(), QSize(83, 83)); // 1/4, rounded up as libjpeg does
    EXPECT_LT(progressive.pixelColor(2, 2).red(), 40);
    EXPECT_GT(progressive.pixelColor(80, 80).green(), 200);
}

TEST(JpegThumbnails, RefusesPicturesThatWouldCostTooMuch)
{
    EXPECT_TRUE(decodeJpegNear(progressiveJpeg(64, 64, true), QSize(82, 80)).isNull());

    // A frame header claiming 20000 × 20000 is refused before anything is allocated.
    QByteArray huge = savedJpeg(64, 64);
    const qsizetype frame = huge.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    huge[frame + 5] = huge[frame + 7] = char(20000 >> 8);
    huge[frame + 6] = huge[frame + 8] = char(20000 & 0xFF);
    EXPECT_TRUE(decodeJpegNear(huge, QSize(80, 80)).isNull());
}

TEST(JpegThumbnails, BrokenAndTruncatedFilesNeverCrash)
{
    EXPECT_TRUE(
        decodeJpegNear(QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(500, 'Z'), QSize(80, 80)).isNull());
    EXPECT_TRUE(decodeJpegNear(QByteArray("not a jpeg"), QSize(80, 80)).isNull());
    EXPECT_TRUE(decodeJpegNear(QByteArray(), QSize(80, 80)).isNull());

    const QByteArray good = savedJpeg(160, 160);
    const qsizetype scan = good.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    // Cut inside the headers: there is no picture to show.
    EXPECT_TRUE(decodeJpegNear(good.left(scan / 2), QSize(80, 80)).isNull());
    // Cut inside the picture data: libjpeg shows what arrived and fills the rest.
    const QImage part = decodeJpegNear(good.left(scan + (good.size() - scan) / 2), QSize(80, 80));
    EXPECT_EQ(part.size(), QSize(80, 80));
    // Damaged picture data in the middle of the file.
    QByteArray damaged = good;
    for (qsizetype i = scan + 20; i < damaged.size() - 2; i += 7)
        damaged[i] = char(0xFF);
    decodeJpegNear(damaged, QSize(80, 80));
}

TEST(ThumbnailCache, DecodesOnceScaledToTheCellAndLeavesUndecodableFilesEmpty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.jpg"));
    ThumbnailCache cache;
    EXPECT_TRUE(cache.picture(path, QSize(82, 80)).isNull()); // not there yet
    writeFile(path, savedJpeg(200, 200));
    ASSERT_EQ(cache.picture(path, QSize(82, 80)).size(), QSize(82, 80));
    EXPECT_EQ(cache.picture(path, QSize(340, 340)).size(), QSize(340, 340)); // another size, its own entry
    QFile::remove(path);
    EXPECT_EQ(cache.picture(path, QSize(82, 80)).size(), QSize(82, 80)); // from memory

    const QString broken = dir.filePath(QStringLiteral("b.jpg"));
    writeFile(broken, QByteArray(2048, 'x'));
    EXPECT_TRUE(cache.picture(broken, QSize(82, 80)).isNull());
    EXPECT_TRUE(cache.picture(broken, QSize(82, 80)).isNull());
    EXPECT_TRUE(cache.picture(dir.path(), QSize(82, 80)).isNull()); // a folder is no picture
}

TEST(ThumbnailCache, EveryPictureFillsTheCellWithItsOwnColours)
{
    // Shrunk a little after the DCT scale (100 px decoded at 7/8, 88 px into 82 × 80), shrunk a lot (a
    // picture far larger than 8 cells decodes at 1/8 and is still five times the cell), enlarged, and
    // decoded to the cell's size exactly: every one fills the cell edge to edge in its colours.
    QTemporaryDir dir;
    const QSize cell(82, 80);
    ThumbnailCache cache;
    int n = 0;
    for (const QSize& size : {QSize(100, 100), QSize(3300, 3300), QSize(30, 30), QSize(82, 80)}) {
        const QString path = dir.filePath(QStringLiteral("%1.jpg").arg(++n));
        writeFile(path, savedJpeg(size.width(), size.height(), QColor(200, 40, 90)));
        const QImage picture = cache.picture(path, cell);
        ASSERT_EQ(picture.size(), cell) << size.width();
        for (const QPoint& at : {QPoint(0, 0), QPoint(81, 79), QPoint(40, 40), QPoint(81, 0)}) {
            const QColor seen = picture.pixelColor(at);
            EXPECT_NEAR(seen.red(), 200, 12) << size.width() << " at " << at.x() << "," << at.y();
            EXPECT_NEAR(seen.green(), 40, 12) << size.width();
            EXPECT_NEAR(seen.blue(), 90, 12) << size.width();
            EXPECT_EQ(seen.alpha(), 255);
        }
    }
}

TEST(ThumbnailCache, DropsTheLeastRecentlyUsedPictureBeyondItsBound)
{
    QTemporaryDir dir;
    const QSize cell(82, 80);
    const qint64 onePicture = QImage(cell, QImage::Format_RGB32).sizeInBytes();
    ThumbnailCache cache(2 * onePicture + onePicture / 2);
    const QStringList paths{dir.filePath(QStringLiteral("a.jpg")), dir.filePath(QStringLiteral("b.jpg")),
                            dir.filePath(QStringLiteral("c.jpg"))};
    for (const QString& path : paths)
        writeFile(path, savedJpeg(100, 100));
    ASSERT_FALSE(cache.picture(paths[0], cell).isNull());
    ASSERT_FALSE(cache.picture(paths[1], cell).isNull());
    ASSERT_FALSE(cache.picture(paths[0], cell).isNull()); // a is now the most recent
    ASSERT_FALSE(cache.picture(paths[2], cell).isNull()); // pushes b out
    for (const QString& path : paths)
        QFile::remove(path);
    EXPECT_FALSE(cache.picture(paths[0], cell).isNull());
    EXPECT_TRUE(cache.picture(paths[1], cell).isNull());
    EXPECT_FALSE(cache.picture(paths[2], cell).isNull());
}

TEST(ThumbnailCache, AScreenPreparedTogetherHoldsWhatEachPictureWouldGive)
{
    QTemporaryDir dir;
    const QSize cell(82, 80);
    QStringList paths;
    for (int i = 0; i < 7; ++i) {
        paths << dir.filePath(QStringLiteral("%1.jpg").arg(i));
        writeFile(paths.back(), savedJpeg(100 + 30 * i, 100, QColor(20 * i, 100, 200 - 20 * i)));
    }
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    writeFile(broken, QByteArray(2048, 'x'));
    const QString arriving = dir.filePath(QStringLiteral("arriving.jpg"));
    ThumbnailCache one;
    std::vector<QImage> expected;
    for (const QString& path : paths)
        expected.push_back(one.picture(path, cell));

    ThumbnailCache cache;
    cache.prepare(paths + QStringList{broken, arriving, paths[2]}, cell);
    EXPECT_TRUE(cache.holds(broken, cell));    // held as no picture, like picture() holds it
    EXPECT_FALSE(cache.holds(arriving, cell)); // asked again once it is there
    EXPECT_FALSE(cache.holds(paths[0], QSize(40, 40)));
    for (const QString& path : paths)
        QFile::remove(path);
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_EQ(cache.picture(paths[i], cell), expected[std::size_t(i)]) << i; // from memory, the same
    writeFile(arriving, savedJpeg(90, 90));
    cache.prepare({arriving}, cell);
    EXPECT_TRUE(cache.holds(arriving, cell));
}

namespace {

/// Picture files of different sizes and colours, with what a cache of their own gives for each at a cell.
struct PictureFiles
{
    PictureFiles(int count, QSize cell)
    {
        ThumbnailCache one;
        for (int i = 0; i < count; ++i) {
            paths << dir.filePath(QStringLiteral("%1.jpg").arg(i));
            writeFile(paths.back(), savedJpeg(90 + 20 * i, 90, QColor(40 * i, 200 - 30 * i, 40)));
            expected.push_back(one.picture(paths.back(), cell));
        }
    }

    QTemporaryDir dir;
    QStringList paths;
    std::vector<QImage> expected;
};

} // namespace

TEST(JpegThumbnails, ScreensPreparedOneAfterAnotherEachComeOutWhole)
{
    // The helper may take a picture, start late or not at all: every screen is whole either way.
    const QSize cell(82, 80);
    const PictureFiles files(4, cell);
    ThumbnailCache cache;
    for (int round = 0; round < 200; ++round) {
        cache.clear();
        const QStringList screen = files.paths.mid(round % 3);
        cache.prepare(screen, cell);
        for (const QString& path : screen)
            ASSERT_TRUE(cache.holds(path, cell)) << round;
    }
    for (qsizetype i = 1; i < files.paths.size(); ++i)
        EXPECT_EQ(cache.picture(files.paths[i], cell), files.expected[std::size_t(i)]) << i;
}

TEST(ThumbnailCache, AStartedPreparationIsHeldOnceFinishedAndEveryOtherCallFinishesItFirst)
{
    const QSize cell(82, 80);
    const PictureFiles files(6, cell);
    ThumbnailCache cache;
    cache.picture(files.paths[0], cell);
    cache.startPreparing(files.paths, cell);
    EXPECT_FALSE(cache.preparing(files.paths[0], cell)) << "held already";
    EXPECT_TRUE(cache.preparing(files.paths[3], cell));
    EXPECT_FALSE(cache.preparing(files.paths[3], QSize(40, 40)));
    EXPECT_FALSE(cache.holds(files.paths[3], cell));
    cache.finishPreparing();
    EXPECT_FALSE(cache.preparing(files.paths[3], cell));
    for (qsizetype i = 0; i < files.paths.size(); ++i)
        EXPECT_TRUE(cache.holds(files.paths[i], cell)) << i;

    // picture() and a new preparation finish the one under way; clear() finishes it and forgets it all.
    cache.clear();
    cache.startPreparing(files.paths, cell);
    EXPECT_EQ(cache.picture(files.paths[5], cell), files.expected[5]);
    EXPECT_TRUE(cache.holds(files.paths[2], cell));
    cache.clear();
    cache.startPreparing(files.paths.mid(0, 3), cell);
    cache.startPreparing(files.paths.mid(3), cell);
    EXPECT_TRUE(cache.holds(files.paths[1], cell));
    EXPECT_TRUE(cache.preparing(files.paths[4], cell));
    cache.startPreparing(files.paths, cell);
    cache.clear();
    EXPECT_FALSE(cache.holds(files.paths[4], cell));
    for (qsizetype i = 0; i < files.paths.size(); ++i)
        EXPECT_EQ(cache.picture(files.paths[i], cell), files.expected[std::size_t(i)]) << i;
}

TEST(ThumbnailCache, ACacheGoneWithAPreparationUnderWayLeavesNothingBehind)
{
    // The helper may still be on a picture of a preparation its cache no longer wants.
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 8; ++i) {
        paths << dir.filePath(QStringLiteral("%1.jpg").arg(i));
        writeFile(paths.back(), savedJpeg(400, 300, QColor(30 * i, 60, 90)));
    }
    for (int round = 0; round < 50; ++round) {
        ThumbnailCache cache;
        cache.startPreparing(paths, QSize(82, 80));
    }
}

TEST(JpegThumbnails, ColoursComeOutAsStoredAndOpaque)
{
    for (const QColor& colour : {QColor(220, 30, 20), QColor(20, 40, 230), QColor(250, 250, 250)}) {
        const QImage decoded = decodeJpegNear(savedJpeg(64, 64, colour), QSize(64, 64));
        ASSERT_FALSE(decoded.isNull());
        const QColor pixel = decoded.pixelColor(32, 32);
        EXPECT_NEAR(pixel.red(), colour.red(), 8) << colour.name().toStdString();
        EXPECT_NEAR(pixel.green(), colour.green(), 8) << colour.name().toStdString();
        EXPECT_NEAR(pixel.blue(), colour.blue(), 8) << colour.name().toStdString();
        EXPECT_EQ(pixel.alpha(), 255);
    }
}
