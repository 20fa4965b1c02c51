#include "ocr/text_in_reading_order.h"

#include "ocr/ideograph_spacing.h"
#include "ocr/reading_order.h"
#include "text/normalized.h"

namespace leggipdf {

std::string textInReadingOrder(const std::vector<Observation>& observations) {
    const auto boxOf = [&observations](std::size_t i) -> const Box& { return observations[i].boundingBox; };
    std::string joined;
    bool first = true;
    for (const std::size_t i : readingOrder(observations.size(), boxOf)) {
        if (!observations[i].candidate) continue;
        if (!first) joined.push_back('\n');
        joined += *observations[i].candidate;
        first = false;
    }
    // Chinese and Japanese put no space between lines either.
    return withoutSpacesBetweenIdeographs(normalized(joined));
}

}  // namespace leggipdf
