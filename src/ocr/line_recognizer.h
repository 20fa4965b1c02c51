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

/// An OCR engine seen as a source of recognised lines, in its own order.
class LineRecognizer {
public:
    virtual ~LineRecognizer() = default;
    /// Throws std::exception (what() names the engine call that failed).
    virtual std::vector<Observation> recognizedLines(const PageImage& image) = 0;
};

/// The page text made of `observations`: put into reading order, their
/// candidates joined by line feeds, normalised, and without the spaces
/// between two Chinese or Japanese characters. Lines without a
/// candidate take part in the ordering and contribute nothing.
std::string textInReadingOrder(std::vector<Observation> observations);

}  // namespace leggipdf
