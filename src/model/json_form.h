#pragma once

#include <string>

#include "model/extraction_result.h"

namespace leggipdf {

/// The compact JSON text of a result, with no trailing line feed:
/// {"pages":[{"page":1,"text":"..."}],"usedOCR":false}. Bytes that are not
/// valid UTF-8 are written as U+FFFD rather than failing.
std::string encoded(const ExtractionResult& result);

}  // namespace leggipdf
