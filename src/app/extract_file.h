#pragma once

#include <string>

#include "app/settings.h"
#include "model/extraction_result.h"

namespace leggipdf {

/// Opens the PDF at `path` with Poppler and walks it, reading pages without
/// a text layer with the OCR module, in worker processes when `settings`
/// bound each page's time or ask for several at once. While they are read, a
/// progress line is shown on `progressDescriptor` if it is a terminal, and
/// erased before this returns or throws. Throws what openedPopplerDocument
/// and extract throw.
ExtractionResult extractFile(const std::string& path, const Settings& settings, int progressDescriptor);

}  // namespace leggipdf
