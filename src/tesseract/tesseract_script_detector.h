#pragma once

#include <memory>

#include "ocr/scripted_recognizer.h"

namespace tesseract {
class TessBaseAPI;
}

namespace leggipdf {

/// Tesseract's orientation and script detection (the "osd" model) on the
/// whole page as drawn. Shrinking the page first was tried: at half size a
/// dense Latin page came out as Cyrillic and Greek ones as Cyrillic.
class TesseractScriptDetector final : public ScriptDetector {
public:
    /// Throws std::runtime_error when the "osd" model cannot be loaded.
    TesseractScriptDetector();
    ~TesseractScriptDetector() override;

    std::optional<DetectedScript> detectedScript(const PageImage& image) override;

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;
};

}  // namespace leggipdf
