#pragma once

#include <QString>
#include <optional>

namespace vorbel {

/// The platform's temporary folder with a trailing separator; empty when the platform gives none.
QString TempFolderPath();

/// The picture cache: the folder "vorbelpic" in the temporary folder. Files are only ever added.
class PictureCache
{
public:
    explicit PictureCache(QString tempPath) : m_tempPath(std::move(tempPath)) {}

    /// tempPath + "vorbelpic", without a trailing separator.
    QString folder() const { return m_tempPath + QStringLiteral("vorbelpic"); }
    /// Creates the folder (one level, for this user only) when it is missing. False when it cannot be
    /// made, or when what stands there is not a folder of this user's own: the temporary folder may be
    /// shared, and a link or another user's folder planted there would take our pictures elsewhere.
    bool ensureFolder() const;

    /// folder/cph.jpg, or nothing when cph is not a safe file name (then the offer has no picture file).
    std::optional<QString> smallPicturePath(const QString& cph) const;
    /// folder/cph_dtp.jpg, likewise.
    std::optional<QString> largePicturePath(const QString& cph) const;

    /// A product id that can name a file inside the cache and nowhere else: one path component, no "..",
    /// no separators, colons or control characters, well-formed text, not hidden, at most 120
    /// characters and short enough in bytes for any file system.
    static bool isSafeName(const QString& cph);
    /// True only for a regular file that is not a symbolic link.
    static bool isPlainFile(const QString& path);

private:
    std::optional<QString> pathFor(const QString& cph, const char* suffix) const;

    QString m_tempPath;
};

} // namespace vorbel
