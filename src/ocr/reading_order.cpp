#include "ocr/reading_order.h"

#include <bit>

namespace leggipdf {

std::size_t minimumRunLength(std::size_t n) {
    constexpr std::size_t kBits = 6;
    if (n < (std::size_t{1} << kBits)) return n;
    const std::size_t shift = std::bit_width(n) - kBits;
    const std::size_t shiftedOut = n & ((std::size_t{1} << shift) - 1);
    return (n >> shift) + (shiftedOut != 0 ? 1 : 0);
}

}  // namespace leggipdf
