#pragma once

#include <memory>
#include <string>

#include "module_tesseract/tesseract_api.h"
#include "ocr_interface/ocr_interface.h"

namespace leggipdf {

/// Words read with less confidence than this (0 to 100) are left out of
/// their line's extent across the page when the line also holds surer
/// words: a stamp or a pen stroke across a gutter, read as part of the
/// column beside it, would otherwise stretch that column's line over the
/// gutter. Words of clean and photographed text read at 85 to 97 here; the
/// marks of a stamp merged into a line at 6 to 60.
inline constexpr double kConfidentWord = 80.0;

/// Tesseract's LSTM engine with its dictionaries, reading text lines, each
/// with the mean of its words' confidences weighted by their length. The
/// model is loaded once, in the constructor, and reused for every page.
/// The engine's own messages are kept off stderr.
class TesseractRecognizer final : public LineRecognizer {
public:
    /// Throws std::runtime_error naming the model when it cannot be loaded
    /// from the engine's installed tessdata.
    TesseractRecognizer(const std::string& model, const ModuleSettings& settings);

    std::vector<Observation> recognizedLines(const PageImage& image) override;

private:
    OwnedApi api_;
    std::string model_;
    ModuleSettings settings_;
};

}  // namespace leggipdf
