#pragma once

// PageImage, the rendered page, is what the program hands its OCR module,
// so it is declared with the rest of what crosses that boundary.
#include "ocr_interface/ocr_interface.h"

namespace leggipdf {

/// True when some pixel of the image is not pure white. An image without
/// one has nothing to read.
bool hasInk(const PageImage& image);

}  // namespace leggipdf
