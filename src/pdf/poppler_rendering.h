#pragma once

#include <optional>

#include "image/page_image.h"

namespace poppler {
class page;
}

namespace leggipdf {

/// The page drawn upright at 180 dpi over white, in a bitmap sized from its
/// media box (turned with the page). Empty when no bitmap can be made: a
/// size beyond the limits, memory that runs out, a drawing that fails.
std::optional<PageImage> renderedPopplerPage(const poppler::page& page);

/// Bytes of the bitmap renderedPopplerPage would make; 0 when none can be made.
std::int64_t popplerImageBytes(const poppler::page& page);

}  // namespace leggipdf
