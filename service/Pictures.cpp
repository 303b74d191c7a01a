#include "service/Pictures.h"

#include "service/Catalogue.h"

#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace vorbel::service {

namespace {

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
        JSAMPROW row = const_cast<unsigned char*>(&rgb[size_t(info.next_scanline) * size_t(width) * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

} // namespace

std::string productJpeg(const std::string& cph, int size)
{
    const std::uint64_t h = stableHash(cph);
    const int r = 80 + int(h % 150), g = 80 + int((h >> 8) % 150), b = 80 + int((h >> 16) % 150);
    const int sides = 3 + int((h >> 24) % 4);
    std::vector<unsigned char> rgb(size_t(size) * size_t(size) * 3);
    const double centre = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x - centre, dy = y - centre;
            const double radius = std::sqrt(dx * dx + dy * dy) / centre;
            const double angle = std::atan2(dy, dx);
            const double edge = 0.55 + 0.12 * std::cos(sides * angle);
            const bool inside = radius < edge;
            const double shade = 1.0 - 0.35 * double(y) / size;
            unsigned char* pixel = &rgb[(size_t(y) * size_t(size) + size_t(x)) * 3];
            pixel[0] = (unsigned char)(inside ? 255 - r / 3 : r * shade);
            pixel[1] = (unsigned char)(inside ? 255 - g / 3 : g * shade);
            pixel[2] = (unsigned char)(inside ? 255 - b / 3 : b * shade);
        }
    }
    return encode(size, size, rgb);
}

std::string plainJpeg(int width, int height)
{
    return encode(width, height, std::vector<unsigned char>(size_t(width) * size_t(height) * 3, 200));
}

} // namespace vorbel::service
