#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "model/extraction_result.h"

namespace leggipdf {

/// The compact JSON text of a result, with no trailing line feed:
/// {"pages":[{"page":1,"text":"..."}],"usedOCR":false}. Bytes that are not
/// valid UTF-8 are written as U+FFFD rather than failing.
std::string encoded(const ExtractionResult& result);

/// Thrown by `decoded` for a document that is not the result form.
class DecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Reads the form back; every key is required with its type, otherwise
/// throws DecodingError.
ExtractionResult decoded(std::string_view json);

}  // namespace leggipdf
