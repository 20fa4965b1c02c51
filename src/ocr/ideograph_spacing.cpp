#include "ocr/ideograph_spacing.h"

#include <cstdint>
#include <vector>

namespace leggipdf {
namespace {

struct CodePoint {
    char32_t value;
    std::size_t start, length;
};

// Decodes well-formed sequences; any other byte stands alone with a value
// that belongs to no range below.
std::vector<CodePoint> codePoints(std::string_view text) {
    std::vector<CodePoint> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                                 : (lead >> 3) == 0x1E  ? 4
                                                                        : 0;
        char32_t value = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            value = (value << 6) | (next & 0x3F);
        }
        if (!valid) {
            points.push_back({0xFFFFFFFF, i, 1});
            ++i;
            continue;
        }
        points.push_back({value, i, length});
        i += length;
    }
    return points;
}

bool isIdeographic(char32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) ||    // CJK punctuation, hiragana, katakana
           (c >= 0x31F0 && c <= 0x31FF) ||    // katakana extensions
           (c >= 0x3400 && c <= 0x4DBF) ||    // Han extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||    // Han
           (c >= 0xF900 && c <= 0xFAFF) ||    // Han compatibility
           (c >= 0xFF00 && c <= 0xFFEF) ||    // full-width and half-width forms
           (c >= 0x20000 && c <= 0x3134F);  // Han extensions B to G
}

}  // namespace

std::string withoutSpacesBetweenIdeographs(std::string_view line) {
    const std::vector<CodePoint> points = codePoints(line);
    std::string kept;
    kept.reserve(line.size());
    char32_t before = 0;  // the last code point kept that is not a space
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].value != U' ') {
            before = points[i].value;
            kept.append(line.substr(points[i].start, points[i].length));
            continue;
        }
        std::size_t next = i;
        while (next < points.size() && points[next].value == U' ') ++next;
        const bool between = next < points.size() && isIdeographic(before) && isIdeographic(points[next].value);
        if (!between) kept.append(next - i, ' ');
        i = next - 1;
    }
    return kept;
}

}  // namespace leggipdf
