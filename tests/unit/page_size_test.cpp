#include "ocr/page_size.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/extraction_failure.h"
#include "ocr/page_canvas.h"

namespace leggipdf {
namespace {

TEST(BitmapSize, FollowsTheTruncatingRule) {
    const struct {
        double width, height;
        bool turned;
        PixelSize expected;
    } cases[] = {
        {612, 792, false, {1530, 1980}},
        {595.28, 841.89, false, {1488, 2104}},
        {0.3, 792, false, {1, 1980}},
        {0.79, 0.8, false, {1, 2}},
        {0, 0, false, {1, 1}},
        {-5, 10, false, {1, 25}},
        {612, 792, true, {1980, 1530}},
        {2400, 2400, false, {6000, 6000}},
        {8400, 8400, false, {21000, 21000}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bitmapSize(c.width, c.height, c.turned, 1), c.expected) << c.width << " x " << c.height;
    }
}

TEST(BitmapSize, RefusesSizesWithoutASafeBitmap) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double sizes[][2] = {
        {9'000'000, 9'000'000}, {nan, 10},        {10, inf},     {-inf, 10}, {4e18, 10}, {1e300, 1},
        {500'000, 1},           {30'000, 30'000}, {9'300, 9'300}};
    for (const auto& size : sizes) {
        try {
            bitmapSize(size[0], size[1], false, 7);
            ADD_FAILURE() << size[0] << " x " << size[1] << " was accepted";
        } catch (const ExtractionFailure& failure) {
            EXPECT_EQ(failure.description(), "rendering della pagina 7 non riuscito") << size[0];
        }
    }
}

TEST(ComposedImage, PlacesDrawingOverWhiteAndClips) {
    // 3x2 drawing with padded rows (stride 4), placed partly outside a 4x3 canvas.
    const std::uint8_t drawing[] = {1, 2, 3, 99, 4, 5, 6, 99};
    const GreyView view{drawing, 3, 2, 4};
    const PageImage image = composedImage({4, 3}, view, 2, 1);
    const std::uint8_t expected[3][4] = {{255, 255, 255, 255}, {255, 255, 1, 2}, {255, 255, 4, 5}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(image.at(x, y), expected[y][x]) << x << "," << y;

    const PageImage shifted = composedImage({2, 2}, view, -1, -1);
    EXPECT_EQ(shifted.at(0, 0), 5);
    EXPECT_EQ(shifted.at(1, 0), 6);
    EXPECT_EQ(shifted.at(0, 1), 255);

    const PageImage blank = composedImage({2, 1}, {}, 0, 0);
    EXPECT_EQ(blank.at(0, 0), 255);
    EXPECT_EQ(blank.at(1, 0), 255);
}

}  // namespace
}  // namespace leggipdf
