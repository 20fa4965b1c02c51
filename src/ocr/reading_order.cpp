#include "ocr/reading_order.h"

#include <bit>

namespace leggipdf {

std::size_t minimumRunLength(std::size_t n) {
    constexpr int kBits = 6;
    if (n < (std::size_t{1} << kBits)) return n;
    const int shift = std::bit_width(n) - kBits;
    const std::size_t shiftedOut = n & ((std::size_t{1} << shift) - 1);
    return (n >> shift) + (shiftedOut != 0 ? 1 : 0);
}

void sortInReadingOrder(std::span<Box> boxes) {
    sortInReadingOrder(boxes, [](const Box& box) -> const Box& { return box; });
}

}  // namespace leggipdf
