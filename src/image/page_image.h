#pragma once

#include <cstdint>
#include <memory>

namespace leggipdf {

/// A rendered page: 8-bit grey, one byte per pixel, rows from the top of the
/// page down, white (255) where the page paints nothing. `storage` keeps the
/// pixels alive; the image is cheap to move and read-only once made.
struct PageImage {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytesPerRow = 0;
    const std::uint8_t* pixels = nullptr;
    std::shared_ptr<const void> storage;

    std::uint8_t at(std::int64_t x, std::int64_t y) const { return pixels[y * bytesPerRow + x]; }
};

/// True when some pixel of the image is not pure white. An image without
/// one has nothing to read.
bool hasInk(const PageImage& image);

}  // namespace leggipdf
