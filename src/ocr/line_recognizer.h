#pragma once

#include <optional>
#include <string>
#include <vector>

#include "image/page_image.h"
#include "ocr/reading_order.h"

namespace leggipdf {

/// One recognised line: its box (normalised, origin lower-left, y up), its
/// best reading, if the engine has one, and the engine's confidence in that
/// reading, from 0 to 100.
struct Observation {
    Box boundingBox;
    std::optional<std::string> candidate;
    double confidence = 0;
};

/// An OCR engine seen as a source of recognised lines, in its own order. The
/// OCR module hands one over to the program: Observation, LineRecognizer and
/// PageImage are the whole of what crosses that boundary.
class LineRecognizer {
public:
    virtual ~LineRecognizer() = default;
    /// Throws std::exception (what() names the engine call that failed).
    virtual std::vector<Observation> recognizedLines(const PageImage& image) = 0;
};

}  // namespace leggipdf
