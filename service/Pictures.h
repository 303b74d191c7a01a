#pragma once

#include <string>

namespace vorbel::service {

/// A real baseline JPEG of a product, size × size pixels: a soft gradient in the product's colours with
/// an emblem of its own, different for every product id and the same on every call.
std::string productJpeg(const std::string& cph, int size);

/// A small, well-formed JPEG whose frame header claims width × height pixels (a decoder that believes it
/// would allocate far too much memory).
std::string jpegClaimingSize(int width, int height);

/// Garbage behind a JPEG start-of-image marker: no decoder can make a picture of it.
std::string corruptJpeg(const std::string& cph);

} // namespace vorbel::service
