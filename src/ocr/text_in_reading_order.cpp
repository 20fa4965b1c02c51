#include <string>

#include "ocr/ideograph_spacing.h"
#include "ocr/line_recognizer.h"
#include "text/normalized.h"

namespace leggipdf {

std::string textInReadingOrder(std::vector<Observation> observations) {
    sortInReadingOrder(std::span<Observation>(observations),
                       [](const Observation& observation) -> const Box& { return observation.boundingBox; });
    std::string joined;
    bool first = true;
    for (const Observation& observation : observations) {
        if (!observation.candidate) continue;
        if (!first) joined.push_back('\n');
        joined += *observation.candidate;
        first = false;
    }
    // Chinese and Japanese put no space between lines either.
    return withoutSpacesBetweenIdeographs(normalized(joined));
}

}  // namespace leggipdf
