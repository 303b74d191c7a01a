// Arbitrary bytes as a cached picture, decoded at the sizes the grids ask for. The first byte picks the
// size; the rest is the file.

#include "results/JpegThumbnails.h"

#include <QSize>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QSize targets[] = {{80, 80}, {1, 1}, {310, 310}};
    const QSize target = targets[data[0] % std::size(targets)];
    const QByteArray file(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    vorbel::decodeJpegNear(file, target);
    return 0;
}
