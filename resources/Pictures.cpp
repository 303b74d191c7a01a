#include "resources/Pictures.h"

#include <QGuiApplication>
#include <QImageReader>

namespace vorbel {

namespace {

/// Reads the file as the format its name says ("png", "jpg"). QPixmap(path) first asks every image
/// format plugin whether it reads the file, which loads them all; a start-up has no use for that.
QPixmap readPicture(const QString& path)
{
    QImageReader reader(path, path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toLatin1());
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace

QPixmap programPicture(const QString& path)
{
    if (qApp && qApp->devicePixelRatio() > 1.0) {
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        QPixmap sharp = readPicture(path.left(dot) + QStringLiteral("@2x") + path.mid(dot));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return readPicture(path);
}

QIcon programIcon(const QString& path)
{
    return QIcon(programPicture(path));
}

} // namespace vorbel
