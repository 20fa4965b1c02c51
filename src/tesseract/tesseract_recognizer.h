#pragma once

#include <memory>
#include <string>

#include "ocr/line_recognizer.h"
#include "ocr_module/scripted_recognizer.h"
#include "tesseract/tesseract_api.h"

namespace leggipdf {

/// Tesseract's LSTM engine with its dictionaries, reading text lines. The
/// model is loaded once, in the constructor, and reused for every page.
/// The engine's own messages are kept off stderr.
class TesseractRecognizer final : public LineRecognizer {
public:
    /// Throws std::runtime_error naming the model when it cannot be loaded
    /// from the engine's installed tessdata.
    explicit TesseractRecognizer(const std::string& model = kFallbackModel);

    std::vector<Observation> recognizedLines(const PageImage& image) override;

private:
    OwnedApi api_;
    std::string model_;
};

}  // namespace leggipdf
