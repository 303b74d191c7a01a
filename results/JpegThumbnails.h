#pragma once

#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <list>

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
    /// painted for the first time waits for about half of its pictures' decoding. The helper takes
    /// nothing it has not started on when the calling thread runs out: it may not wake in time.
    void prepare(const QStringList& paths, QSize size);
    bool holds(const QString& path, QSize size) const { return m_index.contains(keyOf(path, size)); }
    /// Forgets every decoded picture.
    void clear()
    {
        m_entries.clear();
        m_index.clear();
        m_bytes = 0;
    }

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
};

} // namespace vorbel
