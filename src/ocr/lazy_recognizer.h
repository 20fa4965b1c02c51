#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "extraction/text_recognizer.h"
#include "ocr_interface/ocr_interface.h"

namespace leggipdf {

/// Recognises pages with a LineRecognizer made by `makeEngine` on the first
/// page that has anything drawn on it, and kept for the rest of the run; an
/// all-white page reads as the empty text. So a document that never needs
/// OCR never loads the engine. When making it fails, the failure is kept and
/// thrown again to every later caller: the engine is made once at most.
class LazyRecognizer final : public TextRecognizer {
public:
    using EngineMaker = std::function<std::unique_ptr<LineRecognizer>()>;
    explicit LazyRecognizer(EngineMaker makeEngine) : makeEngine_(std::move(makeEngine)) {}

    /// Throws what `makeEngine` or the engine throws.
    std::string recognizedText(const PageImage& image) override;
    /// Makes the engine now, if it is not made yet, so that processes forked
    /// afterwards share it. Throws what `makeEngine` throws.
    void load();

private:
    EngineMaker makeEngine_;
    std::unique_ptr<LineRecognizer> engine_;
    std::exception_ptr failure_;  // of the one attempt to make the engine
};

}  // namespace leggipdf
