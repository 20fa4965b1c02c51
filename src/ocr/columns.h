#pragma once

#include <cstddef>
#include <vector>

#include "ocr/reading_order.h"

namespace leggipdf {

/// A recognised line as the column split sees it: where it lies and how many
/// words it holds. A line without words (the engine's box around a dark
/// scanner border or a desk, a pen stroke, a stamp) neither borders nor
/// blocks a gutter.
struct LineShape {
    Box box;
    std::size_t words = 0;
};

/// A gutter needs this many lines of at least kGutterLineWords words wholly
/// on each side of it, over at least kGutterShare of the text's height; over
/// a shorter stretch (columns under a figure that spans the page, say), it
/// needs kShortGutterLines of them.
inline constexpr std::size_t kGutterLines = 5;
inline constexpr std::size_t kShortGutterLines = 10;
inline constexpr std::size_t kGutterLineWords = 3;
inline constexpr double kGutterShare = 0.5;

/// The positions of `lines` in reading order, column by column. The lines are
/// split at a vertical gutter: a band that no line crosses over a stretch of
/// their height, bordered on each side by at least kGutterLines lines (over
/// kGutterShare of the height or more; kShortGutterLines otherwise) of
/// kGutterLineWords words or more lying wholly within the stretch. A gutter
/// over less than the whole height may lean (a photographed page, a page
/// turned a little and not straightened) when it is tall (kGutterShare) and
/// taller than any upright one. What lies above the stretch comes first, then the
/// lines left of the gutter, then those right of it, then what lies below; each part is split again the same way, and a
/// part without a gutter is put in order by readingOrder. A page without a gutter therefore reads exactly as
/// readingOrder orders it.
std::vector<std::size_t> columnwiseReadingOrder(const std::vector<LineShape>& lines);

}  // namespace leggipdf
