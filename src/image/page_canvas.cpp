#include "image/page_canvas.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace leggipdf {

PageImage composedImage(PixelSize size, const GreyView& drawn, std::int64_t left, std::int64_t top) {
    auto storage = std::make_shared_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(size.width * size.height));
    std::uint8_t* canvas = storage.get();
    std::memset(canvas, 0xFF, static_cast<std::size_t>(size.width * size.height));

    const std::int64_t fromX = std::max<std::int64_t>(0, -left);
    const std::int64_t toX = std::min(drawn.width, size.width - left);
    const std::int64_t fromY = std::max<std::int64_t>(0, -top);
    const std::int64_t toY = std::min(drawn.height, size.height - top);
    for (std::int64_t y = fromY; y < toY && fromX < toX; ++y) {
        const std::uint8_t* source = drawn.pixels + y * drawn.bytesPerRow + fromX;
        std::memcpy(canvas + (y + top) * size.width + left + fromX, source, static_cast<std::size_t>(toX - fromX));
    }
    PageImage image;
    image.width = size.width;
    image.height = size.height;
    image.bytesPerRow = size.width;
    image.pixels = canvas;
    image.storage = std::move(storage);
    return image;
}

}  // namespace leggipdf
