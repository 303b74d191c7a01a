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

    QString folder() const { return m_tempPath + QStringLiteral("vorbelpic"); }
    /// Creates the folder (one level) when it is missing; false when it cannot be made.
    bool ensureFolder() const;

    /// folder/cph.jpg, or nothing when cph is not a safe file name (then the offer has no picture file).
    std::optional<QString> smallPicturePath(const QString& cph) const;
    /// folder/cph_dtp.jpg, likewise.
    std::optional<QString> largePicturePath(const QString& cph) const;

    /// A product id that can name a file inside the cache and nowhere else: one path component, no "..",
    /// no separators or control characters, not hidden, at most 120 characters.
    static bool isSafeName(const QString& cph);
    /// True only for a regular file that is not a symbolic link.
    static bool isPlainFile(const QString& path);

private:
    std::optional<QString> pathFor(const QString& cph, const char* suffix) const;

    QString m_tempPath;
};

} // namespace vorbel
