#pragma once

#include <cstdint>

#include "ocr/page_image.h"

namespace poppler {
class page;
}

namespace leggipdf {

/// The page drawn upright at 180 dpi over white, in a bitmap sized from its
/// media box (turned with the page). Throws ExtractionFailure
/// renderingFailed(pageNumber) when no bitmap can be made.
PageImage renderedPopplerPage(const poppler::page& page, std::int64_t pageNumber);

}  // namespace leggipdf
