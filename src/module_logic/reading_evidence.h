#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ocr_interface/ocr_interface.h"

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

/// Rows of a page, from the top: [top, bottom).
struct RowSpan {
    std::int64_t top = 0, bottom = 0;
};

/// Rows that each hold one line of text, as the ink of the rows alone shows
/// them: runs of inked rows between blank ones, of about the height most
/// runs have, in order from the top. Empty when the page has fewer than
/// kMinTextRows runs, or runs taller than kMaxTextRowShare of the page (a
/// page turned sideways, a photograph).
std::vector<RowSpan> textRows(const PageImage& image);
inline constexpr std::size_t kMinTextRows = 5;
inline constexpr double kMaxTextRowShare = 0.05;

/// The rows `span` of `image`, widened by a quarter of their height on
/// either side within the page, sharing its pixels.
PageImage band(const PageImage& image, RowSpan span);

/// `image` with the boxes of `lines` at least as confident as `confidence`
/// painted white: what is left is what a reading could not read. Owns its
/// pixels. Throws std::bad_alloc.
PageImage withoutLinesFrom(const PageImage& image, const std::vector<Observation>& lines, double confidence);

}  // namespace leggipdf
