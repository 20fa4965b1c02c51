#pragma once

#include <string>
#include <string_view>

#include "model/extraction_result.h"

namespace leggipdf::testing {

/// The result form read back with nlohmann::json; throws on anything else.
ExtractionResult decoded(std::string_view json);

/// The test's own reduction to one line: words split at every Unicode space
/// separator and line break, joined by single spaces.
std::string oneLine(std::string_view text);

/// Edit distance of `text` from `reference` over the reference's length.
double characterErrorRate(const std::string& text, const std::string& reference);

}  // namespace leggipdf::testing
