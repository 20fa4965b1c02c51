#include "module_tesseract/straightened_recognizer.h"

#include <leptonica/allheaders.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>

namespace leggipdf {
namespace {

struct DestroyedPix {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using OwnedPix = std::unique_ptr<PIX, DestroyedPix>;

// Leptonica's own cut between ink and paper when it measures skew.
constexpr std::uint8_t kInkBelow = 130;

constexpr float kRadiansPerDegree = std::numbers::pi_v<float> / 180;

bool fitsPix(const PageImage& image) {
    constexpr auto kMax = std::numeric_limits<l_int32>::max();
    return image.width > 0 && image.height > 0 && image.width <= kMax && image.height <= kMax;
}

// Made from the rows themselves, so that a page found upright costs no grey copy.
OwnedPix inkOf(const PageImage& image) {
    const auto width = static_cast<l_int32>(image.width), height = static_cast<l_int32>(image.height);
    OwnedPix ink(pixCreate(width, height, 1));
    if (!ink) return ink;
    l_uint32* const data = pixGetData(ink.get());
    const l_int32 wordsPerLine = pixGetWpl(ink.get());
    for (l_int32 y = 0; y < height; ++y) {
        const std::uint8_t* row = image.pixels + y * image.bytesPerRow;
        l_uint32* const line = data + static_cast<std::ptrdiff_t>(y) * wordsPerLine;
        for (l_int32 x = 0; x < width; ++x) {
            if (row[x] < kInkBelow) SET_DATA_BIT(line, x);
        }
    }
    return ink;
}

// Degrees to turn the page clockwise to straighten it; empty when it is
// upright enough, or when its lines are too few or too faint to tell.
std::optional<float> straighteningAngle(const PageImage& image) {
    const OwnedPix ink = inkOf(image);
    l_float32 angle = 0, confidence = 0;
    if (!ink || pixFindSkew(ink.get(), &angle, &confidence) != 0) return std::nullopt;
    if (std::abs(angle) < kMinStraightenedSkew || confidence < kMinSkewConfidence) return std::nullopt;
    return angle;
}

// Leptonica keeps 8-bit pixels four to a 32-bit word, the leftmost in the
// most significant byte, so on a little-endian machine the bytes of each word
// lie in memory in reverse; pixEndianByteSwap turns them over between the two
// orders (and does nothing on a big-endian machine).
OwnedPix greyOf(const PageImage& image) {
    OwnedPix grey(pixCreate(static_cast<l_int32>(image.width), static_cast<l_int32>(image.height), 8));
    if (!grey) return grey;
    auto* const data = reinterpret_cast<std::uint8_t*>(pixGetData(grey.get()));
    const auto bytesPerLine = 4 * static_cast<std::ptrdiff_t>(pixGetWpl(grey.get()));
    for (std::int64_t y = 0; y < image.height; ++y) {
        std::memcpy(data + y * bytesPerLine, image.pixels + y * image.bytesPerRow,
                    static_cast<std::size_t>(image.width));
    }
    pixEndianByteSwap(grey.get());
    return grey;
}

// The rows of the page are the words of `pix`, turned back into memory order,
// so the page keeps the PIX alive instead of a copy of it.
PageImage pageOf(OwnedPix pix) {
    pixEndianByteSwap(pix.get());
    PageImage page;
    page.width = pixGetWidth(pix.get());
    page.height = pixGetHeight(pix.get());
    page.bytesPerRow = 4 * static_cast<std::int64_t>(pixGetWpl(pix.get()));
    page.pixels = reinterpret_cast<const std::uint8_t*>(pixGetData(pix.get()));
    page.storage = std::shared_ptr<PIX>(pix.release(), DestroyedPix{});
    return page;
}

// Empty when the page is to be read as it is. Leptonica answers what it cannot
// do with a null PIX; a page it cannot turn is still worth reading.
std::optional<PageImage> straightenedPage(const PageImage& image) {
    if (!fitsPix(image)) return std::nullopt;
    const std::optional<float> angle = straighteningAngle(image);
    if (!angle) return std::nullopt;
    const OwnedPix grey = greyOf(image);
    if (!grey) return std::nullopt;
    // No larger canvas (0, 0): the page keeps its size, losing only corners
    // that a page skewed by a few degrees leaves blank.
    OwnedPix turned(pixRotate(grey.get(), kRadiansPerDegree * *angle, L_ROTATE_AREA_MAP, L_BRING_IN_WHITE, 0, 0));
    if (!turned || pixGetDepth(turned.get()) != 8) return std::nullopt;
    return pageOf(std::move(turned));
}

}  // namespace

StraightenedRecognizer::StraightenedRecognizer(std::unique_ptr<LineRecognizer> inner) : inner_(std::move(inner)) {
    setMsgSeverity(L_SEVERITY_NONE);  // a blank page is not worth a warning
}

std::vector<Observation> StraightenedRecognizer::recognizedLines(const PageImage& image) {
    const std::optional<PageImage> straightened = straightenedPage(image);
    return inner_->recognizedLines(straightened ? *straightened : image);
}

}  // namespace leggipdf
