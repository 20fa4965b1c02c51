#pragma once

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
ExtractionResult extract(const Document& document, TextRecognizer& recognizer);

}  // namespace leggipdf
