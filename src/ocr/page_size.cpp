#include "ocr/page_size.h"

#include <cmath>
#include <utility>

#include "model/extraction_failure.h"

namespace leggipdf {

std::int64_t pixelsFor(double points, std::int64_t pageNumber) {
    const double product = points * kRenderScale;
    // 2^63 is exactly representable; anything at or above it (or NaN) has no
    // int64 value and converting it would be undefined.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(product) || product < -kLimit || product >= kLimit) {
        throw ExtractionFailure::renderingFailed(pageNumber);
    }
    const auto pixels = static_cast<std::int64_t>(product);
    return pixels < 1 ? 1 : pixels;
}

PixelSize bitmapSize(double widthPoints, double heightPoints, bool quarterTurned, std::int64_t pageNumber) {
    PixelSize size{pixelsFor(widthPoints, pageNumber), pixelsFor(heightPoints, pageNumber)};
    if (quarterTurned) std::swap(size.width, size.height);
    if (size.width > kMaxBitmapSide || size.height > kMaxBitmapSide || size.width * size.height > kMaxBitmapPixels) {
        throw ExtractionFailure::renderingFailed(pageNumber);
    }
    return size;
}

}  // namespace leggipdf
