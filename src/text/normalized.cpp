#include "text/normalized.h"

#include <cstddef>

namespace leggipdf {
namespace {

// Length in bytes of the separator that starts at `at`, or 0. Matching on
// the exact UTF-8 byte patterns keeps invalid input safe: a stray byte is
// never taken for part of a separator, it simply stays in the text.
std::size_t separatorLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    const unsigned b0 = byte(0);
    if (b0 == 0x20 || (b0 >= 0x09 && b0 <= 0x0D)) return 1;
    if (b0 == 0xC2) return byte(1) == 0x85 || byte(1) == 0xA0 ? 2 : 0;  // NEL, NBSP
    if (b0 == 0xE1) return byte(1) == 0x9A && byte(2) == 0x80 ? 3 : 0;  // U+1680
    if (b0 == 0xE3) return byte(1) == 0x80 && byte(2) == 0x80 ? 3 : 0;  // U+3000
    if (b0 != 0xE2) return 0;
    const unsigned b1 = byte(1), b2 = byte(2);
    if (b1 == 0x80) {
        // U+2000..U+200A, U+2028, U+2029, U+202F
        return (b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF ? 3 : 0;
    }
    return b1 == 0x81 && b2 == 0x9F ? 3 : 0;  // U+205F
}

}  // namespace

std::string normalized(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    bool pendingSpace = false;
    std::size_t at = 0;
    while (at < text.size()) {
        if (std::size_t length = separatorLength(text, at)) {
            pendingSpace = !result.empty();
            at += length;
            continue;
        }
        if (pendingSpace) result.push_back(' ');
        pendingSpace = false;
        result.push_back(text[at++]);
    }
    return result;
}

}  // namespace leggipdf
