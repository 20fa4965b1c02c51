#include "image/page_image.h"

#include <algorithm>

namespace leggipdf {

bool hasInk(const PageImage& image) {
    for (std::int64_t y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixels + y * image.bytesPerRow;
        if (std::any_of(row, row + image.width, [](std::uint8_t pixel) { return pixel != 0xFF; })) return true;
    }
    return false;
}

}  // namespace leggipdf
