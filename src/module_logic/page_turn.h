#pragma once

#include "ocr_interface/ocr_interface.h"

namespace leggipdf {

/// How far a page is turned clockwise from upright, in quarter turns: a page
/// fed sideways into a scanner is turned by one or three, one fed upside
/// down by two. Text on a page turned by one has its top towards the
/// image's right edge.
enum class PageTurn { none = 0, quarter = 1, half = 2, threeQuarters = 3 };

/// `box` (normalised, origin lower-left, y up) of a page turned by `turn`,
/// in the frame of the page set upright, where the line tolerance and the
/// reading order apply.
Box uprightBox(const Box& box, PageTurn turn);

/// `image` turned back by `turn`, so that a page turned by it comes out
/// upright. Owns its pixels. Throws std::bad_alloc.
PageImage uprightImage(const PageImage& image, PageTurn turn);

}  // namespace leggipdf
