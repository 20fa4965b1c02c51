#pragma once

#include <string>
#include <string_view>

namespace leggipdf {

/// `line` without the spaces that stand between two Chinese or Japanese
/// characters (Han ideographs, kana, CJK punctuation and full-width forms),
/// where the writing has none; spaces next to anything else (Latin, digits,
/// Hangul, which Korean separates by words) stay. Bytes that are not valid
/// UTF-8 count as neither and are kept.
std::string withoutSpacesBetweenIdeographs(std::string_view line);

}  // namespace leggipdf
