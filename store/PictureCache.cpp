#include "store/PictureCache.h"

#include <QDir>
#include <QFileInfo>

namespace vorbel {

namespace {
constexpr int MaxNameLength = 120;
} // namespace

QString TempFolderPath()
{
    const QString path = QDir::tempPath();
    if (path.isEmpty())
        return {};
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool PictureCache::ensureFolder() const
{
    const QString path = folder();
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    return QDir().mkdir(path);
}

bool PictureCache::isSafeName(const QString& cph)
{
    if (cph.isEmpty() || cph.size() > MaxNameLength || cph.startsWith(QLatin1Char('.')))
        return false;
    for (QChar c : cph) {
        if (c.unicode() < 0x20 || c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
            c.unicode() == 0x7F)
            return false;
    }
    return !cph.contains(QLatin1String(".."));
}

bool PictureCache::isPlainFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isSymLink() && info.isFile();
}

std::optional<QString> PictureCache::smallPicturePath(const QString& cph) const
{
    return pathFor(cph, ".jpg");
}

std::optional<QString> PictureCache::largePicturePath(const QString& cph) const
{
    return pathFor(cph, "_dtp.jpg");
}

std::optional<QString> PictureCache::pathFor(const QString& cph, const char* suffix) const
{
    if (!isSafeName(cph))
        return std::nullopt;
    return folder() + QLatin1Char('/') + cph + QLatin1String(suffix);
}

} // namespace vorbel
