#pragma once

#include <memory>
#include <string>

#include "ocr_interface/ocr_interface.h"
#include "tesseract/tesseract_api.h"

namespace leggipdf {

/// Tesseract's LSTM engine with its dictionaries, reading text lines. The
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
