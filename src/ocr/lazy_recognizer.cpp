#include "ocr/lazy_recognizer.h"

#include "ocr/text_in_reading_order.h"

namespace leggipdf {

void LazyRecognizer::load() {
    if (engine_) return;
    // A load that failed fails the same way for every page after, and in
    // every worker forked after, without being tried again.
    if (failure_) std::rethrow_exception(failure_);
    try {
        engine_ = makeEngine_();
    } catch (...) {
        failure_ = std::current_exception();
        throw;
    }
}

std::string LazyRecognizer::recognizedText(const PageImage& image) {
    // A page drawn all white (a blank verso, say) reads as nothing, so the
    // engine and its model (seconds and hundreds of MB) are not loaded for it.
    if (!hasInk(image)) return {};
    load();
    return textInReadingOrder(engine_->recognizedLines(image));
}

}  // namespace leggipdf
