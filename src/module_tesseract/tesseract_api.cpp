#include "module_tesseract/tesseract_api.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <limits>
#include <stdexcept>

namespace leggipdf {

void EndedApi::operator()(tesseract::TessBaseAPI* api) const {
    api->End();
    delete api;
}

void ClearedApi::operator()(tesseract::TessBaseAPI* api) const { api->Clear(); }

OwnedApi quietApi(const std::string& model, tesseract::OcrEngineMode engine, tesseract::PageSegMode layout) {
    setMsgSeverity(L_SEVERITY_NONE);  // Leptonica's warnings
    OwnedApi api(new tesseract::TessBaseAPI());
    // No debug_file: the engine would open it on its first message, on the
    // lowest free descriptor, and create it where /dev has no /dev/null. Its
    // messages go to stderr, which the program keeps silent.
    if (api->Init(nullptr, model.c_str(), engine) != 0) {
        const char* engineName = engine == tesseract::OEM_LSTM_ONLY ? "LSTM engine" : "legacy engine";
        throw std::runtime_error("tesseract: TessBaseAPI::Init could not load the model '" + model + "' (" +
                                 engineName + ", tessdata default)");
    }
    api->SetPageSegMode(layout);
    return api;
}

PageInApi pageGiven(tesseract::TessBaseAPI& api, const PageImage& image, const ModuleSettings& settings) {
    constexpr auto kIntMax = std::numeric_limits<int>::max();
    if (image.width > kIntMax || image.height > kIntMax || image.bytesPerRow > kIntMax) {
        throw std::runtime_error("tesseract: image of " + std::to_string(image.width) + "x" +
                                 std::to_string(image.height) + " pixels is too large for SetImage");
    }
    api.SetImage(image.pixels, static_cast<int>(image.width), static_cast<int>(image.height), 1,
                 static_cast<int>(image.bytesPerRow));
    api.SetSourceResolution(static_cast<int>(settings.dotsPerInch));
    return PageInApi(&api);
}

}  // namespace leggipdf
