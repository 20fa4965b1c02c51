#pragma once

#include <memory>

#include "extraction/text_recognizer.h"

namespace leggipdf {

/// Stands in for the OCR engine until one is wired in: every page that needs
/// recognition fails with a detail saying no recogniser is available.
class LazyRecognizer final : public TextRecognizer {
public:
    std::string recognizedText(const PageImage& image) override;
};

}  // namespace leggipdf
