#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leggipdf {

/// One page of the result: its number in the document (from 1) and its
/// normalised, never empty, text.
struct ExtractedPage {
    std::int64_t page = 0;
    std::string text;

    bool operator==(const ExtractedPage&) const = default;
};

/// The outcome of one run: the pages that yielded text, in ascending page
/// order (numbers may have gaps), and whether recognition ran at all.
struct ExtractionResult {
    std::vector<ExtractedPage> pages;
    bool usedOCR = false;

    bool operator==(const ExtractionResult&) const = default;
};

}  // namespace leggipdf
