#include "tesseract/tesseract_recognizer.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

namespace leggipdf {
namespace {

using TextPointer = std::unique_ptr<char[]>;

Observation observationAt(const tesseract::ResultIterator& line, double width, double height) {
    int left = 0, top = 0, right = 0, bottom = 0;
    line.BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
    Observation observation;
    // Tesseract counts pixels from the top-left; observations are normalised
    // with the origin at the lower-left and y growing upward.
    observation.boundingBox = {left / width, 1.0 - bottom / height, (right - left) / width, (bottom - top) / height};
    if (TextPointer text{line.GetUTF8Text(tesseract::RIL_TEXTLINE)}) observation.candidate = std::string(text.get());
    observation.confidence = line.Confidence(tesseract::RIL_TEXTLINE);
    return observation;
}

// Leptonica answers a failed allocation of image data with a null image, and
// Tesseract goes on with what it has: under memory pressure a page came back
// read, with no text. Every image buffer comes through here, so a failure is
// seen and the page fails instead.
std::atomic<bool> imageAllocationFailed{false};

void* countedImageAllocation(std::size_t bytes) {
    void* memory = std::malloc(bytes);
    if (!memory) imageAllocationFailed = true;
    return memory;
}

}  // namespace

TesseractRecognizer::TesseractRecognizer(const std::string& model)
    : api_(quietApi(model, tesseract::OEM_LSTM_ONLY, tesseract::PSM_AUTO)), model_(model) {
    setPixMemoryManager(countedImageAllocation, std::free);
}

std::vector<Observation> TesseractRecognizer::recognizedLines(const PageImage& image) {
    imageAllocationFailed = false;
    // Declared before the results iterator, so the page leaves the engine after it.
    const PageInApi page = pageGiven(*api_, image);
    if (api_->Recognize(nullptr) != 0) {
        throw std::runtime_error("tesseract: TessBaseAPI::Recognize failed with the model '" + model_ + "' on a " +
                                 std::to_string(image.width) + "x" + std::to_string(image.height) + " page image");
    }
    if (imageAllocationFailed) {
        throw std::runtime_error("tesseract: memory ran out for the images of a " + std::to_string(image.width) + "x" +
                                 std::to_string(image.height) + " page");
    }
    std::vector<Observation> observations;
    const std::unique_ptr<tesseract::ResultIterator> line(api_->GetIterator());
    const double width = static_cast<double>(image.width), height = static_cast<double>(image.height);
    if (line && !line->Empty(tesseract::RIL_TEXTLINE)) {
        do {
            observations.push_back(observationAt(*line, width, height));
        } while (line->Next(tesseract::RIL_TEXTLINE));
    }
    return observations;
}

}  // namespace leggipdf
