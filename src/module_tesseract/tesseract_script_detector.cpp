#include "module_tesseract/tesseract_script_detector.h"

#include <tesseract/baseapi.h>

namespace leggipdf {

TesseractScriptDetector::TesseractScriptDetector(const ModuleSettings& settings)
    : api_(quietApi("osd", tesseract::OEM_TESSERACT_ONLY, tesseract::PSM_OSD_ONLY)), settings_(settings) {}

std::optional<DetectedScript> TesseractScriptDetector::detectedScript(const PageImage& image) {
    const PageInApi page = pageGiven(*api_, image, settings_);
    int degrees = 0;
    float orientationConfidence = 0, scriptConfidence = 0;
    const char* script = nullptr;
    if (!api_->DetectOrientationScript(&degrees, &orientationConfidence, &script, &scriptConfidence) || !script) {
        return std::nullopt;
    }
    // The engine gives how far the page is turned clockwise, in degrees.
    const auto turn = static_cast<PageTurn>((degrees / 90 % 4 + 4) % 4);
    return DetectedScript{script, scriptConfidence, turn, orientationConfidence};
}

}  // namespace leggipdf
