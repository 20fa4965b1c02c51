#include "module_tesseract/tesseract_recognizer.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "module_logic/page_turn.h"

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

// Pixels from the top-left, as the engine counts them.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

Box normalisedBox(const PixelBox& box, double width, double height) {
    // Observations are normalised with the origin at the lower-left and y growing upward.
    return {box.left / width, 1.0 - box.bottom / height, (box.right - box.left) / width,
            (box.bottom - box.top) / height};
}

Observation observationAt(const tesseract::ResultIterator& line, PageTurn turn, double width, double height) {
    PixelBox box;
    line.BoundingBox(tesseract::RIL_TEXTLINE, &box.left, &box.top, &box.right, &box.bottom);
    Observation observation;
    observation.boundingBox = uprightBox(normalisedBox(box, width, height), turn);
    if (TextPointer text{line.GetUTF8Text(tesseract::RIL_TEXTLINE)}) observation.candidate = std::string(text.get());
    return observation;
}

std::size_t characters(const char* utf8) {
    std::size_t count = 0;
    for (; *utf8; ++utf8) count += (static_cast<unsigned char>(*utf8) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

// The words of one line: the mean of their confidences weighted by their
// length, and how far its confident words reach. The engine's own line
// confidence averages the words' raw scores before it clips them to 0..100,
// so a few hopeless marks sink a whole line: Arabic lines whose words score
// 67 to 84 came out at 20 to 37, below Latin gibberish.
struct LineWords {
    double weighted = 0, length = 0;
    std::optional<PixelBox> confident;
    bool unsure = false;

    void add(const tesseract::ResultIterator& word) {
        const TextPointer text{word.GetUTF8Text(tesseract::RIL_WORD)};
        const double size = static_cast<double>(text ? characters(text.get()) : 0);
        const double confidence = word.Confidence(tesseract::RIL_WORD);
        weighted += confidence * size;
        length += size;
        if (confidence < kConfidentWord) {
            unsure = true;
            return;
        }
        PixelBox box;
        word.BoundingBox(tesseract::RIL_WORD, &box.left, &box.top, &box.right, &box.bottom);
        if (confident) {
            box = {std::min(box.left, confident->left), std::min(box.top, confident->top),
                   std::max(box.right, confident->right), std::max(box.bottom, confident->bottom)};
        }
        confident = box;
    }

    // The line's confidence, and its extent across the page narrowed to its
    // confident words when it holds both kinds.
    void finish(Observation& line, PageTurn turn, double width, double height) const {
        line.confidence = length > 0 ? weighted / length : 0.0;
        if (!unsure || !confident) return;
        const Box narrowed = uprightBox(normalisedBox(*confident, width, height), turn);
        line.boundingBox.x = narrowed.x;
        line.boundingBox.width = narrowed.width;
    }
};

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
    if (!line || line->Empty(tesseract::RIL_WORD)) return observations;
    LineWords words;
    PageTurn turn = PageTurn::none;
    do {
        if (line->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
            if (!observations.empty()) words.finish(observations.back(), turn, width, height);
            turn = turnOf(*line);
            observations.push_back(observationAt(*line, turn, width, height));
            words = {};
        }
        words.add(*line);
    } while (line->Next(tesseract::RIL_WORD));
    words.finish(observations.back(), turn, width, height);
    return observations;
}

}  // namespace leggipdf
