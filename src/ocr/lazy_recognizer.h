#pragma once

#include <functional>
#include <memory>
#include <string>

#include "extraction/text_recognizer.h"
#include "ocr/line_recognizer.h"

namespace leggipdf {

/// Recognises pages with a LineRecognizer made by `makeEngine` on the first
/// page that has anything drawn on it, and kept for the rest of the run; an
/// all-white page reads as the empty text. So a document that never needs
/// OCR never loads the engine.
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
};

}  // namespace leggipdf
