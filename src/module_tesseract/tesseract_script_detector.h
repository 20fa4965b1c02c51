#pragma once

#include "module_logic/scripted_recognizer.h"
#include "module_tesseract/tesseract_api.h"

namespace leggipdf {

/// Tesseract's orientation and script detection (the "osd" model) on the
/// whole page as drawn: the script, and how the page is turned. Shrinking the
/// page first was tried: at half size a dense Latin page came out as Cyrillic
/// and Greek ones as Cyrillic.
class TesseractScriptDetector final : public ScriptDetector {
public:
    /// Throws std::runtime_error when the "osd" model cannot be loaded.
    explicit TesseractScriptDetector(const ModuleSettings& settings);

    std::optional<DetectedScript> detectedScript(const PageImage& image) override;

private:
    OwnedApi api_;
    ModuleSettings settings_;
};

}  // namespace leggipdf
