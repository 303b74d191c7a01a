#include "service/Pictures.h"

#include "service/Catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <memory>
#include <numbers>
#include <vector>

namespace vorbel::service {

namespace {

struct FreeDeleter
{
    void operator()(unsigned char* p) const { std::free(p); }
};

/// Encodes an RGB image; the parameters are our own and always valid, so libjpeg has nothing to reject.
std::string encode(int width, int height, const std::vector<unsigned char>& rgb)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<unsigned char*>(&rgb[std::size_t(info.next_scanline) * std::size_t(width) * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    const std::unique_ptr<unsigned char, FreeDeleter> owned(buffer);
    jpeg_destroy_compress(&info);
    return std::string(reinterpret_cast<const char*>(owned.get()), size);
}

unsigned char channel(double value)
{
    return static_cast<unsigned char>(std::clamp(value, 0.0, 255.0));
}

} // namespace

std::string productJpeg(const std::string& cph, int size)
{
    const std::uint64_t h = stableHash(cph);
    const double r = 70 + double(h % 160), g = 70 + double((h >> 8) % 160), b = 70 + double((h >> 16) % 160);
    const int sides = 3 + int((h >> 24) % 5);
    const double turn = double((h >> 32) % 360) * std::numbers::pi / 180.0;
    const double ring = 0.15 + double((h >> 40) % 20) / 100.0;
    std::vector<unsigned char> rgb(std::size_t(size) * std::size_t(size) * 3);
    const double centre = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x - centre, dy = y - centre;
            const double radius = std::sqrt(dx * dx + dy * dy) / centre;
            const double edge = 0.6 + 0.14 * std::cos(sides * std::atan2(dy, dx) + turn);
            const bool emblem = radius < edge && radius > ring;
            const double shade = 1.0 - 0.4 * double(y) / size;
            unsigned char* pixel = &rgb[(std::size_t(y) * std::size_t(size) + std::size_t(x)) * 3];
            pixel[0] = channel(emblem ? 255 - r / 3 : r * shade);
            pixel[1] = channel(emblem ? 255 - g / 3 : g * shade);
            pixel[2] = channel(emblem ? 255 - b / 3 : b * shade);
        }
    }
    return encode(size, size, rgb);
}

std::string jpegClaimingSize(int width, int height)
{
    std::string bytes = encode(16, 16, std::vector<unsigned char>(16 * 16 * 3, 200));
    // Baseline frame header: FF C0, length (2), precision (1), height (2), width (2).
    const std::size_t frame = bytes.find("\xFF\xC0");
    if (frame != std::string::npos && frame + 9 <= bytes.size()) {
        bytes[frame + 5] = char((height >> 8) & 0xFF);
        bytes[frame + 6] = char(height & 0xFF);
        bytes[frame + 7] = char((width >> 8) & 0xFF);
        bytes[frame + 8] = char(width & 0xFF);
    }
    return bytes;
}

std::string corruptJpeg(const std::string& cph)
{
    std::string bytes("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10);
    std::uint64_t h = stableHash(cph);
    for (int i = 0; i < 4000; ++i) {
        h = h * 6364136223846793005ull + 1442695040888963407ull;
        const auto byte = static_cast<unsigned char>(h >> 56);
        bytes += char(byte == 0xFF ? 0x00 : byte); // no marker anywhere: the data never makes a picture
    }
    return bytes;
}

} // namespace vorbel::service
