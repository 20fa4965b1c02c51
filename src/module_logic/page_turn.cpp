#include "module_logic/page_turn.h"

#include <cstdint>
#include <memory>
#include <utility>

namespace leggipdf {

Box uprightBox(const Box& box, PageTurn turn) {
    // Turning the page back swaps the axes for a quarter turn either way; the
    // far edge of one axis becomes the near edge of the other.
    switch (turn) {
        case PageTurn::none:
            return box;
        case PageTurn::quarter:
            return {1 - box.y - box.height, box.x, box.height, box.width};
        case PageTurn::half:
            return {1 - box.x - box.width, 1 - box.y - box.height, box.width, box.height};
        case PageTurn::threeQuarters:
            return {box.y, 1 - box.x - box.width, box.height, box.width};
    }
    return box;
}

PageImage uprightImage(const PageImage& image, PageTurn turn) {
    const bool sideways = turn == PageTurn::quarter || turn == PageTurn::threeQuarters;
    const std::int64_t width = sideways ? image.height : image.width;
    const std::int64_t height = sideways ? image.width : image.height;
    auto pixels = std::shared_ptr<std::uint8_t[]>(new std::uint8_t[static_cast<std::size_t>(width * height)]);
    // Pixel (x, y) of the upright page, rows from the top, read from where it
    // lies on the turned one.
    for (std::int64_t y = 0; y != height; ++y) {
        std::uint8_t* row = pixels.get() + y * width;
        for (std::int64_t x = 0; x < width; ++x) {
            switch (turn) {
                case PageTurn::none:
                    row[x] = image.at(x, y);
                    break;
                case PageTurn::quarter:
                    row[x] = image.at(image.width - 1 - y, x);
                    break;
                case PageTurn::half:
                    row[x] = image.at(image.width - 1 - x, image.height - 1 - y);
                    break;
                case PageTurn::threeQuarters:
                    row[x] = image.at(y, image.height - 1 - x);
                    break;
            }
        }
    }
    return PageImage{width, height, width, pixels.get(), std::move(pixels)};
}

}  // namespace leggipdf
