#pragma once

#include <string>

#include "image/page_image.h"

namespace leggipdf {

/// Reads the text of a rendered page.
class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;
    /// The page's text in reading order, already normalised; possibly empty.
    /// Throws std::exception when recognition fails; its what() says why.
    virtual std::string recognizedText(const PageImage& image) = 0;
};

}  // namespace leggipdf
