#include <string>

#include "extraction/normalized.h"
#include "ocr/line_recognizer.h"

namespace leggipdf {

std::string recognizedText(std::vector<Observation> observations) {
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
    return normalized(joined);
}

}  // namespace leggipdf
