#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "extraction/document.h"
#include "extraction/text_recognizer.h"
#include "model/extraction_result.h"

namespace leggipdf {

/// Walks the pages of `document` in order, taking each page's text layer and
/// falling back to rendering and `recognizer` where the normalised layer is
/// empty. Throws ExtractionFailure: renderingFailed(pageNumber) when the page
/// gives no bitmap, recognitionFailed(pageNumber, what()) when the recognizer throws. There is
/// no partial result.
/// How the walk reads a page without a text layer; scannedPageText by default.
using ScanReading = std::function<std::string(const Page& page, std::int64_t pageNumber)>;

ExtractionResult extract(const Document& document, TextRecognizer& recognizer, const ScanReading& readScan = {});

/// A page without a text layer, drawn and read by `recognizer`; `drawn` is
/// called between the two. Throws ExtractionFailure renderingFailed or
/// recognitionFailed as extract does.
std::string scannedPageText(const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer,
                            const std::function<void()>& drawn = {});

}  // namespace leggipdf
