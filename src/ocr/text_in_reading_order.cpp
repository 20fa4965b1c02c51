#include "ocr/text_in_reading_order.h"

#include <algorithm>

#include "ocr/columns.h"
#include "ocr/ideograph_spacing.h"
#include "text/normalized.h"

namespace leggipdf {
namespace {

// Unconfident lines count as wordless, so that a stamp across the gutter
// does not pass for a heading over both columns.
std::size_t wordsIn(const Observation& line) {
    if (!line.candidate || line.confidence < kConfidentLine) return 0;
    const std::string words = normalized(*line.candidate);
    return words.empty() ? 0 : 1 + static_cast<std::size_t>(std::count(words.begin(), words.end(), ' '));
}

}  // namespace

std::string textInReadingOrder(const std::vector<Observation>& observations) {
    std::vector<LineShape> lines;
    lines.reserve(observations.size());
    for (const Observation& observation : observations)
        lines.push_back({observation.boundingBox, wordsIn(observation)});
    std::string joined;
    bool first = true;
    for (const std::size_t i : columnwiseReadingOrder(lines)) {
        if (!observations[i].candidate) continue;
        if (!first) joined.push_back('\n');
        joined += *observations[i].candidate;
        first = false;
    }
    // Chinese and Japanese put no space between lines either.
    return withoutSpacesBetweenIdeographs(normalized(joined));
}

}  // namespace leggipdf
