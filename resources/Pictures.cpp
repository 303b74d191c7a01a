#include "resources/Pictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <png.h>

namespace vorbel {

namespace {

/// A PNG decoded by libpng's simplified reader straight into the QImage's pixels. The program's PNGs
/// carry no colour profile, so their sRGB values come through as they are, as Qt's own reader gives them.
QImage decodePng(const QByteArray& data)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.constData(), std::size_t(data.size())))
        return {};
    const bool alpha = png.format & PNG_FORMAT_FLAG_ALPHA;
    // QImage's 32-bit formats hold 0xAARRGGBB words: B, G, R, A bytes on a little-endian machine.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage image(int(png.width), int(png.height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull() ||
        !png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr)) {
        png_image_free(&png);
        return {};
    }
    return image;
}

} // namespace

QImage readProgramImage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (path.endsWith(QLatin1String(".png")))
        return decodePng(file.readAll());
    // Other formats through Qt's reader, told the format so that it asks no other plugin first.
    QImageReader reader(&file, path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QPixmap programPicture(const QString& path)
{
    if (qApp && qApp->devicePixelRatio() > 1.0) {
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        QPixmap sharp =
            QPixmap::fromImage(readProgramImage(path.left(dot) + QStringLiteral("@2x") + path.mid(dot)));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return QPixmap::fromImage(readProgramImage(path));
}

QIcon programIcon(const QString& path)
{
    return QIcon(programPicture(path));
}

} // namespace vorbel
