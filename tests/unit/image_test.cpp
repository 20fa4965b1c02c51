#include <gtest/gtest.h>

#include <cmath>

#include "image/page_canvas.h"
#include "image/page_size.h"

namespace leggipdf {
namespace {

TEST(BitmapSize, TruncatesTurnsAndRefusesWhatCannotBeMade) {
    const double nan = NAN;
    const struct {
        double width, height;
        bool turned;
        std::optional<PixelSize> expected;
    } cases[] = {
        {612, 792, false, PixelSize{1530, 1980}},
        {595.28, 841.89, false, PixelSize{1488, 2104}},
        {0.3, 792, false, PixelSize{1, 1980}},
        {612, 792, true, PixelSize{1980, 1530}},
        {8400, 8400, false, PixelSize{21000, 21000}},
        {nan, 10, false, std::nullopt},
        {500'000, 1, false, std::nullopt},
        {1, 500'000, false, std::nullopt},
        {9'300, 9'300, false, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bitmapSize(c.width, c.height, c.turned), c.expected) << c.width << " x " << c.height;
    }
}

TEST(ComposedImage, PlacesDrawingOverWhiteAndClips) {
    // 3x2 drawing with padded rows (stride 4), placed partly outside the canvas.
    const std::uint8_t drawing[] = {1, 2, 3, 99, 4, 5, 6, 99};
    const GreyView view{drawing, 3, 2, 4};
    const struct {
        PixelSize size;
        std::int64_t left, top;
        std::vector<std::uint8_t> expected;  // rows top down
    } cases[] = {
        {{4, 3}, 2, 1, {255, 255, 255, 255, 255, 255, 1, 2, 255, 255, 4, 5}},
        {{2, 2}, -1, -1, {5, 6, 255, 255}},
        {{2, 1}, 5, 0, {255, 255}},
    };
    for (const auto& c : cases) {
        const PageImage image = composedImage(c.size, view, c.left, c.top);
        const std::vector<std::uint8_t> pixels(image.pixels, image.pixels + c.size.width * c.size.height);
        EXPECT_EQ(pixels, c.expected) << c.left << "," << c.top;
        EXPECT_EQ(hasInk(image), c.left != 5) << c.left << "," << c.top;
    }
}

}  // namespace
}  // namespace leggipdf
