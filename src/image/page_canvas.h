#pragma once

#include <cstdint>

#include "image/page_image.h"
#include "image/page_size.h"

namespace leggipdf {

/// A grey bitmap to copy from: `pixels` rows of `bytesPerRow` bytes.
struct GreyView {
    const std::uint8_t* pixels = nullptr;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytesPerRow = 0;
};

/// A white image of `size` with `drawn` copied in so that its top-left pixel
/// lands at (left, top); whatever falls outside the image is cut off.
PageImage composedImage(PixelSize size, const GreyView& drawn, std::int64_t left, std::int64_t top);

}  // namespace leggipdf
