#pragma once

#include <string>
#include <string_view>

namespace leggipdf {

/// `text` reduced to one line: every run of whitespace or line-break
/// characters (Unicode Zs, U+2028, U+2029, U+0009..U+000D, U+0085) becomes
/// one space, and runs at either end disappear. Everything else, bytes that
/// are not valid UTF-8 included, is kept unchanged and in order.
std::string normalized(std::string_view text);

}  // namespace leggipdf
