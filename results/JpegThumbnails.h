#pragma once

#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <list>
#include <memory>

namespace vorbel {

/// Decodes a JPEG file near a target size with libjpeg-turbo's DCT scaling (M/8 for M = 1 … 16, the
/// smallest scale that still covers the target, or 16/8 when none does). A file that is not a JPEG it can
/// decode, larger than 8000 × 8000 or with more than 100 progressive scans gives a null image. A file cut
/// short inside its picture data shows the part that arrived, the rest filled as libjpeg fills it.
QImage decodeJpegNear(const QString& path, QSize target);
QImage decodeJpegNear(const QByteArray& bytes, QSize target);

/// Decoded pictures kept in memory by file and size: the cache files never change once written, so a
/// picture is decoded once however often its cell is painted. Bounded by the pixels it holds.
class ThumbnailCache
{
public:
    explicit ThumbnailCache(qint64 maxBytes = 64 * 1024 * 1024);

    /// The picture scaled to fill size; a null image when the file is missing or does not decode (a
    /// missing file is asked again next time, since it may still arrive).
    QImage picture(const QString& path, QSize size);
    /// Decodes the pictures of `paths` at `size` that are not held yet, taken in turn by the calling thread
    /// and a helper thread of the cache's own, and holds them as picture() would: a screen of rows
    /// painted for the first time waits for about half of its pictures' decoding. The calling thread never
    /// waits for the helper, which may not wake in time: what the helper has not finished when the calling
    /// thread runs out, the calling thread decodes itself.
    void prepare(const QStringList& paths, QSize size);
    /// The same in two steps: the helper starts on the pictures at once while the calling thread goes on
    /// (a paint draws a screen's texts meanwhile); finishPreparing() takes the rest on the calling thread
    /// and holds them all. Every other call finishes a started preparation first, but holds() and
    /// preparing().
    void startPreparing(const QStringList& paths, QSize size);
    void finishPreparing();
    /// True while a started preparation has path at size among its pictures.
    bool preparing(const QString& path, QSize size) const;
    bool holds(const QString& path, QSize size) const { return m_index.contains(keyOf(path, size)); }
    /// Forgets every decoded picture.
    void clear();

    ~ThumbnailCache();
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

private:
    static QString keyOf(const QString& path, QSize size);
    void hold(const QString& key, const QImage& image);

    struct Entry
    {
        QString key;
        QImage image;
    };
    std::list<Entry> m_entries; // most recent first
    QHash<QString, std::list<Entry>::iterator> m_index;
    qint64 m_bytes = 0;
    qint64 m_maxBytes;
    /// One thread kept for good: a new thread for a screen's pictures cost more than decoding them.
    QThreadPool m_helper;
    class Preparation;
    /// The started preparation, if any; the helper's task holds it too, until the task ends.
    std::shared_ptr<Preparation> m_preparing;
};

} // namespace vorbel
