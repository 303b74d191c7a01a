#pragma once

#include <string>

namespace vorbel::service {

/// A real baseline JPEG of a product: a soft gradient in the product's colours with a simple emblem,
/// different for every product id and the same on every call.
std::string productJpeg(const std::string& cph, int size);

/// A JPEG of the given dimensions filled with one colour (for the huge-picture fault).
std::string plainJpeg(int width, int height);

} // namespace vorbel::service
