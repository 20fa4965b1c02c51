#pragma once

#include <vector>

#include "image/page_image.h"
#include "ocr/line_recognizer.h"

namespace leggipdf {

/// The confidence of a reading: the mean of its lines' confidences weighted
/// by the length of their candidates; 100 for a reading without text.
double readingConfidence(const std::vector<Observation>& lines);

/// The share of the area of `lines` taken by lines less confident than
/// `confidence`; 0 for no lines.
double shareBelow(const std::vector<Observation>& lines, double confidence);

/// The share of the characters of `lines` (spaces left out) that belong to
/// neither the Latin script nor the signs all scripts share (digits,
/// punctuation, symbols); 0 for a reading without text. Invalid UTF-8
/// counts as Latin.
double otherScriptShare(const std::vector<Observation>& lines);

/// `image` with the boxes of `lines` at least as confident as `confidence`
/// painted white: what is left is what a reading could not read. Owns its
/// pixels. Throws std::bad_alloc.
PageImage withoutLinesFrom(const PageImage& image, const std::vector<Observation>& lines, double confidence);

}  // namespace leggipdf
