#pragma once

#include <tesseract/publictypes.h>

#include <memory>
#include <string>

#include "ocr_interface/ocr_interface.h"

namespace tesseract {
class TessBaseAPI;
}

namespace leggipdf {

struct EndedApi {
    void operator()(tesseract::TessBaseAPI* api) const;
};
struct ClearedApi {
    void operator()(tesseract::TessBaseAPI* api) const;
};

/// An engine that owns its TessBaseAPI and ends it when destroyed.
using OwnedApi = std::unique_ptr<tesseract::TessBaseAPI, EndedApi>;
/// Clears the page (image and results) from an engine it does not own.
using PageInApi = std::unique_ptr<tesseract::TessBaseAPI, ClearedApi>;

/// `model` loaded into a new engine with Leptonica's messages off; Tesseract's
/// go to stderr, which the program silences. Throws std::runtime_error naming the model when it
/// cannot be loaded from the installed tessdata.
OwnedApi quietApi(const std::string& model, tesseract::OcrEngineMode engine, tesseract::PageSegMode layout);

/// Hands `image` to `api` at the resolution it was drawn at (`settings`); the
/// page leaves the engine, with its results, when the returned guard goes.
/// Throws std::runtime_error for an image too large for the engine's int sizes.
PageInApi pageGiven(tesseract::TessBaseAPI& api, const PageImage& image, const ModuleSettings& settings);

}  // namespace leggipdf
