#include "results/JpegThumbnails.h"

#include "store/PictureCache.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QThreadPool>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#ifdef __linux__
#include <sched.h>
#endif
#include <jpeglib.h>
#include <optional>
#include <thread>

namespace vorbel {

namespace {

constexpr unsigned MaxDimension = 8000;
constexpr int MaxScans = 100;

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info)
{
    // libjpeg's default ends the process; jump back to the decoder instead.
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {}

/// Progressive files can hold any number of scans; past the limit the decode is given up.
void watchScans(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxScans)
        onError(info);
}

/// The smallest DCT scale M/8 (libjpeg-turbo offers M = 1 … 16) whose output covers the target, so the
/// smooth scale that follows only ever shrinks a little; a picture smaller than the target even at 16/8
/// is decoded at 16/8, the largest. The output sizes are the library's own (it rounds up), asked per M.
void chooseDctScale(jpeg_decompress_struct& info, QSize target)
{
    info.scale_denom = 8;
    for (unsigned m = 1; m <= 16; ++m) {
        info.scale_num = m;
        jpeg_calc_output_dimensions(&info);
        if (int(info.output_width) >= target.width() && int(info.output_height) >= target.height())
            return;
    }
}

/// The decode itself; everything it allocates lives in `info`, which the caller destroys on every path.
bool decodeInto(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& bytes, QSize target,
                QImage& image)
{
    if (setjmp(errors.jump))
        return false;
    jpeg_create_decompress(&info);
    static thread_local jpeg_progress_mgr progress{};
    progress.progress_monitor = watchScans;
    info.progress = &progress;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > MaxDimension ||
        info.image_height > MaxDimension)
        return false;
    // Straight into the window's own pixel layout (alpha always 0xFF), so scaling and painting the
    // picture convert nothing.
    info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    chooseDctScale(info, target);
    jpeg_start_decompress(&info);
    image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

QImage decodeJpegNear(const QByteArray& bytes, QSize target)
{
    if (bytes.size() < 4)
        return {};
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    QImage image;
    const bool ok = decodeInto(info, errors, bytes, target, image);
    jpeg_destroy_decompress(&info);
    return ok ? image : QImage();
}

namespace {

/// The bytes of a plain file (no link, not over 16 MiB); nothing when there is none to read.
std::optional<QByteArray> plainFileBytes(const QString& path)
{
    if (!PictureCache::isPlainFile(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 16 * 1024 * 1024)
        return std::nullopt;
    return file.readAll();
}

/// The picture scaled to exactly size, smoothly. The DCT scale leaves little to do, mostly a shrink by less
/// than a ninth, which bilinear filtering does well in half the time of Qt's area averaging; a picture
/// still more than twice the size (one over eight times the cell) is averaged, or bilinear would skip
/// pixels.
QImage scaledToFill(const QImage& image, QSize size)
{
    if (image.size() == size)
        return image;
    if (image.width() > 2 * size.width() || image.height() > 2 * size.height())
        return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage scaled(size, QImage::Format_RGB32);
    QPainter painter(&scaled);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRect(QPoint(), size), image);
    return scaled;
}

} // namespace

QImage decodeJpegNear(const QString& path, QSize target)
{
    const std::optional<QByteArray> bytes = plainFileBytes(path);
    return bytes ? decodeJpegNear(*bytes, target) : QImage();
}

QString ThumbnailCache::keyOf(const QString& path, QSize size)
{
    return path + QLatin1Char('@') + QString::number(size.width()) + QLatin1Char('x') +
           QString::number(size.height());
}

namespace {

/// The picture of a file at a cell's size; nothing when the file is missing (it may still arrive).
std::optional<QImage> readThumbnail(const QString& path, QSize size)
{
    const std::optional<QByteArray> bytes = plainFileBytes(path);
    if (!bytes)
        return std::nullopt;
    const QImage decoded = decodeJpegNear(*bytes, size);
    return decoded.isNull() ? decoded : scaledToFill(decoded, size);
}

/// Keeps the calling thread off one CPU for its lifetime, when it is on that CPU now and may run on another.
/// A helper woken by a busy thread may be queued on that thread's own CPU, where it shares the CPU
/// instead of working beside it (seen where the system reports no cache shared between the CPUs); once
/// there, each next wake tends to put it there again.
class AwayFromCpu
{
public:
    explicit AwayFromCpu(int cpu)
    {
#ifdef __linux__
        if (cpu < 0 || sched_getcpu() != cpu || sched_getaffinity(0, sizeof m_allowed, &m_allowed) != 0 ||
            CPU_COUNT(&m_allowed) < 2 || !CPU_ISSET(cpu, &m_allowed))
            return;
        cpu_set_t others = m_allowed;
        CPU_CLR(cpu, &others);
        m_moved = sched_setaffinity(0, sizeof others, &others) == 0;
#else
        Q_UNUSED(cpu);
#endif
    }
    ~AwayFromCpu()
    {
#ifdef __linux__
        if (m_moved)
            sched_setaffinity(0, sizeof m_allowed, &m_allowed);
#endif
    }
    AwayFromCpu(const AwayFromCpu&) = delete;
    AwayFromCpu& operator=(const AwayFromCpu&) = delete;

private:
#ifdef __linux__
    cpu_set_t m_allowed{};
    bool m_moved = false;
#endif
};

/// The CPU the calling thread runs on; -1 where that is not known.
int currentCpu()
{
#ifdef __linux__
    return sched_getcpu();
#else
    return -1;
#endif
}

} // namespace

QImage ThumbnailCache::picture(const QString& path, QSize size)
{
    finishPreparing();
    const QString key = keyOf(path, size);
    const auto found = m_index.find(key);
    if (found != m_index.end()) {
        m_entries.splice(m_entries.begin(), m_entries, found.value());
        return m_entries.front().image;
    }
    // Missing (it may still arrive) is not held; a file that does not decode is, as a null picture.
    const std::optional<QImage> read = readThumbnail(path, size);
    if (!read)
        return {};
    hold(key, *read);
    return *read;
}

ThumbnailCache::ThumbnailCache(qint64 maxBytes) : m_maxBytes(maxBytes)
{
    m_helper.setMaxThreadCount(1);
    m_helper.setExpiryTimeout(-1);
}

/// The missing pictures of one preparation, decoded by turns: whichever thread is free takes the next one.
/// The calling thread waits for the helper no longer than a picture of its own took: a picture the helper
/// has not finished by then it decodes itself, and the helper's copy is dropped, since a helper that is
/// not running (not woken yet, or its CPU taken away) may take any time.
class ThumbnailCache::Preparation
{
public:
    Preparation(QStringList paths, QSize size)
        : m_paths(std::move(paths)), m_size(size), m_read(std::size_t(m_paths.size())),
          m_helperFinished(std::make_unique<std::atomic<bool>[]>(std::size_t(m_paths.size()))),
          m_mine(std::size_t(m_paths.size()), false)
    {
    }

    /// The helper's turns, away from the calling thread's CPU; each picture is published once it is whole.
    void helperTurns()
    {
        const AwayFromCpu away(m_callerCpu);
        for (qsizetype i = m_next.fetch_add(1); i < m_paths.size(); i = m_next.fetch_add(1)) {
            m_read[std::size_t(i)] = readThumbnail(m_paths[i], m_size);
            m_helperFinished[std::size_t(i)].store(true, std::memory_order_release);
        }
    }

    /// The calling thread's turns, then every picture: the helper's finished ones, the rest decoded here.
    std::vector<std::optional<QImage>> callerTurns()
    {
        QElapsedTimer own;
        own.start();
        int ownCount = 0;
        for (qsizetype i = m_next.fetch_add(1); i < m_paths.size(); i = m_next.fetch_add(1)) {
            m_read[std::size_t(i)] = readThumbnail(m_paths[i], m_size);
            m_mine[std::size_t(i)] = true;
            ++ownCount;
        }
        // The picture the helper is on is waited for about as long as decoding it here would take.
        constexpr qint64 PatienceWithoutOwnNs = 100'000;
        const qint64 patienceNs = ownCount > 0 ? own.nsecsElapsed() / ownCount : PatienceWithoutOwnNs;
        std::vector<std::optional<QImage>> pictures(m_read.size());
        for (std::size_t i = 0; i < m_read.size(); ++i) {
            if (m_mine[i] || helperFinishes(i, patienceNs))
                pictures[i] = std::move(m_read[i]);
            else
                pictures[i] = readThumbnail(m_paths[qsizetype(i)], m_size);
        }
        return pictures;
    }

    bool has(const QString& path, QSize size) const { return size == m_size && m_paths.contains(path); }
    QSize size() const { return m_size; }
    const QStringList& paths() const { return m_paths; }

private:
    bool helperFinishes(std::size_t i, qint64 patienceNs) const
    {
        QElapsedTimer waited;
        waited.start();
        while (!m_helperFinished[i].load(std::memory_order_acquire)) {
            if (waited.nsecsElapsed() > patienceNs)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

    const QStringList m_paths;
    const QSize m_size;
    std::vector<std::optional<QImage>> m_read; // each written by the thread that took the picture
    std::unique_ptr<std::atomic<bool>[]> m_helperFinished;
    std::vector<bool> m_mine; // the calling thread's alone
    std::atomic<qsizetype> m_next{0};
    const int m_callerCpu = currentCpu(); // made on the calling thread
};

ThumbnailCache::~ThumbnailCache()
{
    finishPreparing();
}

void ThumbnailCache::prepare(const QStringList& paths, QSize size)
{
    startPreparing(paths, size);
    finishPreparing();
}

void ThumbnailCache::startPreparing(const QStringList& paths, QSize size)
{
    finishPreparing();
    QStringList missing;
    for (const QString& path : paths) {
        if (!m_index.contains(keyOf(path, size)) && !missing.contains(path))
            missing << path;
    }
    if (missing.isEmpty())
        return;
    m_preparing = std::make_shared<Preparation>(missing, size);
    // A single picture is the calling thread's: waking the helper costs about as much.
    if (missing.size() > 1)
        m_helper.start([preparation = m_preparing] { preparation->helperTurns(); });
}

void ThumbnailCache::finishPreparing()
{
    if (!m_preparing)
        return;
    const std::shared_ptr<Preparation> preparation = std::move(m_preparing);
    const std::vector<std::optional<QImage>> pictures = preparation->callerTurns();
    for (qsizetype i = 0; i < preparation->paths().size(); ++i) {
        if (pictures[std::size_t(i)])
            hold(keyOf(preparation->paths()[i], preparation->size()), *pictures[std::size_t(i)]);
    }
}

bool ThumbnailCache::preparing(const QString& path, QSize size) const
{
    return m_preparing && m_preparing->has(path, size);
}

void ThumbnailCache::clear()
{
    finishPreparing();
    m_entries.clear();
    m_index.clear();
    m_bytes = 0;
}

void ThumbnailCache::hold(const QString& key, const QImage& image)
{
    m_entries.push_front({key, image});
    m_index.insert(key, m_entries.begin());
    m_bytes += image.sizeInBytes();
    while (m_bytes > m_maxBytes && m_entries.size() > 1) {
        m_bytes -= m_entries.back().image.sizeInBytes();
        m_index.remove(m_entries.back().key);
        m_entries.pop_back();
    }
}

} // namespace vorbel
