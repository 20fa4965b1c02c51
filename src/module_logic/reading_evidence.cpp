#include "module_logic/reading_evidence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace leggipdf {
namespace {

double area(const Box& box) { return std::max(box.width, 0.0) * std::max(box.height, 0.0); }

// The code point that starts at `at`, and moves `at` past it; a byte that
// starts no valid sequence is taken alone, as U+FFFD would be.
char32_t nextCodePoint(const std::string& text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(i < text.size() ? text[i] : 0); };
    const unsigned char lead = byte(at);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (int i = 1; i < length; ++i) {
        if ((byte(at + static_cast<std::size_t>(i)) & 0xC0) != 0x80) return ++at, 0xFFFD;
        point = (point << 6) | (byte(at + static_cast<std::size_t>(i)) & 0x3F);
    }
    at += static_cast<std::size_t>(std::max(length, 1));
    return length == 0 ? 0xFFFD : point;
}

// Letters of the Latin script and its diacritics, and the signs every script
// uses: below Greek, Latin Extended Additional, general punctuation, symbols
// and arrows, and the Latin ligatures.
bool latinOrCommon(char32_t c) {
    return c < 0x0370 || (c >= 0x1E00 && c <= 0x1EFF) || (c >= 0x2000 && c <= 0x2BFF) || (c >= 0xFB00 && c <= 0xFB06) ||
           c == 0xFFFD;
}

// Below this a pixel is ink, as Leptonica cuts when it measures skew.
constexpr std::uint8_t kInkBelow = 130;

// A row with fewer inked pixels than this is blank: specks of a scan do not
// join two lines.
std::int64_t inkedRowMinimum(const PageImage& image) { return std::max<std::int64_t>(2, image.width / 500); }

bool inked(const PageImage& image, std::int64_t y, std::int64_t minimum) {
    const std::uint8_t* row = image.pixels + y * image.bytesPerRow;
    std::int64_t count = 0;
    for (std::int64_t x = 0; x < image.width && count < minimum; ++x) count += row[x] < kInkBelow ? 1 : 0;
    return count >= minimum;
}

}  // namespace

std::vector<RowSpan> textRows(const PageImage& image) {
    std::vector<RowSpan> runs;
    const std::int64_t minimum = inkedRowMinimum(image);
    for (std::int64_t y = 0, start = -1; y <= image.height; ++y) {
        const bool ink = y < image.height && inked(image, y, minimum);
        if (ink && start < 0) start = y;
        if (!ink && start >= 0) runs.push_back({std::exchange(start, -1), y});
    }
    if (runs.size() < kMinTextRows) return {};
    std::vector<std::int64_t> heights;
    for (const auto& run : runs) heights.push_back(run.bottom - run.top);
    std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2), heights.end());
    const std::int64_t typical = heights[heights.size() / 2];
    if (static_cast<double>(typical) > kMaxTextRowShare * static_cast<double>(image.height)) return {};
    std::erase_if(runs, [typical](const RowSpan& run) {
        const std::int64_t height = run.bottom - run.top;
        return 2 * height < typical || height > 2 * typical;
    });
    return runs;
}

PageImage band(const PageImage& image, RowSpan span) {
    const std::int64_t margin = (span.bottom - span.top) / 4;
    const std::int64_t top = std::max<std::int64_t>(span.top - margin, 0);
    const std::int64_t bottom = std::min(span.bottom + margin, image.height);
    return PageImage{image.width, bottom - top, image.bytesPerRow, image.pixels + top * image.bytesPerRow,
                     image.storage};
}

double readingConfidence(const std::vector<Observation>& lines) {
    double weighted = 0, length = 0;
    for (const auto& line : lines) {
        const double size = static_cast<double>(line.candidate ? line.candidate->size() : 0);
        weighted += line.confidence * size;
        length += size;
    }
    return length > 0 ? weighted / length : 100.0;
}

double shareBelow(const std::vector<Observation>& lines, double confidence) {
    double below = 0, all = 0;
    for (const auto& line : lines) {
        all += area(line.boundingBox);
        if (line.confidence < confidence) below += area(line.boundingBox);
    }
    return all > 0 ? below / all : 0.0;
}

double otherScriptShare(const std::vector<Observation>& lines) {
    double other = 0, all = 0;
    for (const auto& line : lines) {
        const std::string text = line.candidate.value_or("");
        for (std::size_t at = 0; at < text.size();) {
            const char32_t c = nextCodePoint(text, at);
            if (c == ' ' || c == '\n' || c == '\t') continue;
            all += 1;
            other += latinOrCommon(c) ? 0 : 1;
        }
    }
    return all > 0 ? other / all : 0.0;
}

PageImage withoutLinesFrom(const PageImage& image, const std::vector<Observation>& lines, double confidence) {
    const auto pixels =
        std::shared_ptr<std::uint8_t[]>(new std::uint8_t[static_cast<std::size_t>(image.width * image.height)]);
    for (std::int64_t y = 0; y < image.height; ++y)
        std::memcpy(pixels.get() + y * image.width, image.pixels + y * image.bytesPerRow,
                    static_cast<std::size_t>(image.width));
    const auto width = static_cast<double>(image.width), height = static_cast<double>(image.height);
    const auto clamped = [](double value, std::int64_t limit) {
        return std::clamp(static_cast<std::int64_t>(std::lround(value)), std::int64_t{0}, limit);
    };
    for (const auto& line : lines) {
        if (line.confidence < confidence) continue;
        // Boxes have their origin at the lower-left, rows count from the top.
        const Box& b = line.boundingBox;
        const std::int64_t left = clamped(b.x * width, image.width),
                           right = clamped((b.x + b.width) * width, image.width);
        const std::int64_t top = clamped((1 - b.y - b.height) * height, image.height);
        const std::int64_t bottom = clamped((1 - b.y) * height, image.height);
        for (std::int64_t y = top; y < bottom; ++y)
            std::memset(pixels.get() + y * image.width + left, 0xFF,
                        static_cast<std::size_t>(std::max<std::int64_t>(right - left, 0)));
    }
    return PageImage{image.width, image.height, image.width, pixels.get(), std::move(pixels)};
}

}  // namespace leggipdf
