#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "extraction/document.h"
#include "extraction/text_recognizer.h"

namespace leggipdf {

/// LEGGIPDF_PAGE_TIMEOUT in seconds: empty when unset or empty. Throws
/// ExtractionFailure invalidSetting for anything but a positive number.
std::optional<double> pageTimeout();

/// The page drawn and recognised as scannedPageText does, but in a child
/// process killed once `seconds` have passed. Throws as scannedPageText, and
/// when the time runs out renderingFailed(pageNumber) if the page was still
/// being drawn, recognitionFailed(pageNumber, why) if it was being read; a
/// child that dies gives recognitionFailed naming the signal. Loads the
/// recogniser first, so each child shares it rather than loading its own.
std::string boundedScanText(double seconds, const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer);

}  // namespace leggipdf
