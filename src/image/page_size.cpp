#include "image/page_size.h"

#include <cmath>
#include <utility>

namespace leggipdf {

std::optional<std::int64_t> pixelsFor(double points) {
    const double product = points * kRenderScale;
    // 2^63 is exactly representable; anything at or above it (or NaN) has no
    // int64 value and converting it would be undefined.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(product) || product < -kLimit || product >= kLimit) return std::nullopt;
    const auto pixels = static_cast<std::int64_t>(product);
    return pixels < 1 ? 1 : pixels;
}

std::optional<PixelSize> bitmapSize(double widthPoints, double heightPoints, bool quarterTurned) {
    const std::optional<std::int64_t> width = pixelsFor(widthPoints), height = pixelsFor(heightPoints);
    if (!width || !height) return std::nullopt;
    PixelSize size{*width, *height};
    if (quarterTurned) std::swap(size.width, size.height);
    if (size.width > kMaxBitmapSide || size.height > kMaxBitmapSide || size.width * size.height > kMaxBitmapPixels) {
        return std::nullopt;
    }
    return size;
}

}  // namespace leggipdf
