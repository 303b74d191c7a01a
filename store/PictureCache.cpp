#include "store/PictureCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vorbel {

namespace {

constexpr int MaxNameLength = 120;
// File systems allow 255 bytes per name; this leaves room for "_dtp.jpg" and for the downloader's
// temporary suffix.
constexpr int MaxNameBytes = 200;

bool isOwnFolder(const QFileInfo& info)
{
#ifdef Q_OS_UNIX
    return info.ownerId() == ::getuid();
#else
    Q_UNUSED(info);
    return true;
#endif
}

/// A folder of this user's own at path, made when nothing stands there.
bool ownFolderAt(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return false;
    if (info.exists())
        return info.isDir() && isOwnFolder(info) && info.isWritable();
    return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

QString TempFolderPath()
{
    const QString path = QDir::tempPath();
    if (path.isEmpty())
        return {};
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

PictureCache::PictureCache(QString tempPath) : m_tempPath(std::move(tempPath)), m_folder(sharedFolder()) {}

QString PictureCache::privateFolder() const
{
#ifdef Q_OS_UNIX
    return sharedFolder() + QLatin1Char('-') + QString::number(::getuid());
#else
    return sharedFolder();
#endif
}

bool PictureCache::ensureFolder()
{
    // The folder chosen before is checked again: what stands there may have been replaced since.
    for (const QString& candidate : {m_folder, sharedFolder(), privateFolder()}) {
        if (ownFolderAt(candidate)) {
            m_folder = candidate;
            m_unusable = false;
            return true;
        }
    }
    m_unusable = true;
    return false;
}

bool PictureCache::isSafeName(const QString& cph)
{
    if (cph.isEmpty() || cph.size() > MaxNameLength || cph.startsWith(QLatin1Char('.')) ||
        !cph.isValidUtf16())
        return false;
    for (QChar c : cph) {
        if (c.category() == QChar::Other_Control || c == QLatin1Char('/') || c == QLatin1Char('\\') ||
            c == QLatin1Char(':'))
            return false;
    }
    return !cph.contains(QLatin1String("..")) && QFile::encodeName(cph).size() <= MaxNameBytes;
}

bool PictureCache::isPlainFile(const QString& path)
{
    const QFileInfo info(path);
    return !info.isSymLink() && info.isFile();
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
    if (m_unusable || !isSafeName(cph))
        return std::nullopt;
    return folder() + QLatin1Char('/') + cph + QLatin1String(suffix);
}

} // namespace vorbel
