#include "tesseract/tesseract_recognizer.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include "ocr_module/page_turn.h"

namespace leggipdf {
namespace {

using TextPointer = std::unique_ptr<char[]>;

// Which way up the engine found the line's block. A page fed sideways (its
// top to the right) is read line by line all the same, as vertical writing
// with lines from right to left, and its boxes stand on end; set upright,
// they read like those of an upright page, as do the columns of Chinese or
// Japanese vertical writing.
PageTurn turnOf(const tesseract::ResultIterator& line) {
    tesseract::Orientation orientation = tesseract::ORIENTATION_PAGE_UP;
    tesseract::WritingDirection direction = tesseract::WRITING_DIRECTION_LEFT_TO_RIGHT;
    tesseract::TextlineOrder order = tesseract::TEXTLINE_ORDER_TOP_TO_BOTTOM;
    float deskew = 0;
    line.Orientation(&orientation, &direction, &order, &deskew);
    const bool vertical =
        direction == tesseract::WRITING_DIRECTION_TOP_TO_BOTTOM && order == tesseract::TEXTLINE_ORDER_RIGHT_TO_LEFT;
    // Orientation counts quarter turns clockwise, as PageTurn does.
    return static_cast<PageTurn>((static_cast<int>(orientation) + (vertical ? 1 : 0)) % 4);
}

Observation observationAt(const tesseract::ResultIterator& line, double width, double height) {
    int left = 0, top = 0, right = 0, bottom = 0;
    line.BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
    Observation observation;
    // Tesseract counts pixels from the top-left; observations are normalised
    // with the origin at the lower-left and y growing upward.
    const Box box{left / width, 1.0 - bottom / height, (right - left) / width, (bottom - top) / height};
    observation.boundingBox = uprightBox(box, turnOf(line));
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

TesseractRecognizer::TesseractRecognizer(const std::string& model, const ModuleSettings& settings)
    : api_(quietApi(model, tesseract::OEM_LSTM_ONLY, tesseract::PSM_AUTO)), model_(model), settings_(settings) {
    setPixMemoryManager(countedImageAllocation, std::free);
}

std::vector<Observation> TesseractRecognizer::recognizedLines(const PageImage& image) {
    imageAllocationFailed = false;
    // Declared before the results iterator, so the page leaves the engine after it.
    const PageInApi page = pageGiven(*api_, image, settings_);
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
