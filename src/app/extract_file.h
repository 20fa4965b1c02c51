#pragma once

#include <optional>
#include <string>

#include "model/extraction_result.h"

namespace leggipdf {

/// Opens the PDF at `path` (used as given) with Poppler and extracts it,
/// loading the OCR module on the first page that needs it. With a
/// `pageTimeout`, each page without a text layer is drawn and read in a child
/// process bounded by it. Throws ExtractionFailure: unreadablePDF when the
/// file cannot be opened or is locked, and whatever the page walk throws.
ExtractionResult extract(const std::string& path, std::optional<double> pageTimeout = std::nullopt);

}  // namespace leggipdf
