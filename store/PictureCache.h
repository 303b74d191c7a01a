#pragma once

#include <QString>
#include <optional>

namespace vorbel {

/// The platform's temporary folder with a trailing separator; empty when the platform gives none.
QString TempFolderPath();

/// The picture cache: the folder "vorbelpic" in the temporary folder, or this user's own
/// "vorbelpic-<uid>" beside it when the shared one belongs to someone else. Files are only ever added.
class PictureCache
{
public:
    explicit PictureCache(QString tempPath);

    /// The folder the pictures go to, without a trailing separator: tempPath + "vorbelpic" until
    /// ensureFolder has had to choose the private one.
    QString folder() const { return m_folder; }
    /// tempPath + "vorbelpic", the folder every user of the machine would like to share.
    QString sharedFolder() const { return m_tempPath + QStringLiteral("vorbelpic"); }
    /// tempPath + "vorbelpic-<uid>", this user's own; the shared folder where there are no user ids.
    QString privateFolder() const;

    /// Chooses the folder and creates it (one level, for this user only) when it is missing: the shared
    /// folder when it is, or can be made, a folder of this user's own, else the private one under the same
    /// rule. The temporary folder may be shared, and a link or another user's folder planted at either
    /// name would take our pictures elsewhere. False when neither will do; the cache then names no
    /// picture files at all until a later call finds a folder.
    bool ensureFolder();

    /// folder/cph.jpg, or nothing when cph is not a safe file name or the cache has no folder (then the
    /// offer has no picture file).
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
    QString m_folder;
    bool m_unusable = false;
};

} // namespace vorbel
