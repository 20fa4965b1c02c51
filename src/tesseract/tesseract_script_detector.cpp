#include "tesseract/tesseract_script_detector.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <limits>
#include <stdexcept>

#include "image/page_size.h"

namespace leggipdf {

TesseractScriptDetector::TesseractScriptDetector() : api_(std::make_unique<tesseract::TessBaseAPI>()) {
    setMsgSeverity(L_SEVERITY_NONE);
    api_->SetVariable("debug_file", "/dev/null");
    if (api_->Init(nullptr, "osd", tesseract::OEM_TESSERACT_ONLY) != 0) {
        throw std::runtime_error("tesseract: TessBaseAPI::Init could not load the model 'osd'");
    }
    api_->SetPageSegMode(tesseract::PSM_OSD_ONLY);
}

TesseractScriptDetector::~TesseractScriptDetector() { api_->End(); }

std::optional<DetectedScript> TesseractScriptDetector::detectedScript(const PageImage& image) {
    constexpr auto kIntMax = std::numeric_limits<int>::max();
    if (image.width > kIntMax || image.height > kIntMax || image.bytesPerRow > kIntMax) return std::nullopt;
    api_->SetImage(image.pixels, static_cast<int>(image.width), static_cast<int>(image.height), 1,
                   static_cast<int>(image.bytesPerRow));
    api_->SetSourceResolution(static_cast<int>(kRenderDotsPerInch));
    const std::unique_ptr<tesseract::TessBaseAPI, void (*)(tesseract::TessBaseAPI*)> cleared(
        api_.get(), [](tesseract::TessBaseAPI* api) { api->Clear(); });
    int degrees = 0;
    float orientationConfidence = 0, scriptConfidence = 0;
    const char* script = nullptr;
    if (!api_->DetectOrientationScript(&degrees, &orientationConfidence, &script, &scriptConfidence) || !script) {
        return std::nullopt;
    }
    return DetectedScript{script, scriptConfidence};
}

}  // namespace leggipdf
