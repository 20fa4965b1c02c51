#pragma once

// Puts recognised text into reading order: top to bottom, and left to right
// among boxes that lie on the same line.
//
// "The same line" means that the vertical centres of the two boxes differ by
// no more than kLineTolerance (1.5 % of the image height) and by no more than
// half the height of the taller box. The tolerance alone is not enough: body
// text of 10 pt on 12 pt leading puts consecutive lines 0.0143 of an A4 page
// apart, inside the tolerance, and the first line of a paragraph would then
// be read after the second whenever the second starts a pixel further left.
// Two lines whose centres lie more than half a line height apart are
// different lines. A height that is not a number, or a negative one, leaves
// the decision to the tolerance alone.
//
// Nor are two boxes one line when one lies under the other: the stretches of
// one line lie side by side. Arabic lines whose dots and vowel marks reach
// into the next line come as boxes half again as tall as their neighbours,
// their centres within the tolerance of the line below; read by left edge,
// the longer of the two went first, and a page came out with every few lines
// swapped (26% of characters wrong against 8% in the engine's own order).
// Rows of a table photographed at a slant share the tolerance with the rows
// next to them the same way.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <vector>

#include "ocr_interface/ocr_interface.h"  // Box

namespace leggipdf {

/// Two boxes lie on one line only when their vertical centres differ by no
/// more than this fraction of the image height.
inline constexpr double kLineTolerance = 0.015;

/// Half the height of the taller of two boxes: how far apart two centres on
/// one line may lie. Infinite when either height is NaN or negative.
inline double halfLineHeight(const Box& a, const Box& b) {
    if (!(a.height >= 0) || !(b.height >= 0)) return std::numeric_limits<double>::infinity();
    return std::max(a.height, b.height) / 2;
}

/// True when the two boxes share more than half the narrower one's width:
/// stretches of one line lie side by side, so such boxes are two lines.
inline bool stacked(const Box& a, const Box& b) {
    const double shared = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    return shared > std::min(a.width, b.width) / 2;
}

/// True when a comes before b in reading order. Not transitive. A NaN centre
/// puts the pair on one line; a NaN left edge never precedes nor is preceded.
inline bool precedesInReading(const Box& a, const Box& b) {
    const double centreA = a.y + a.height / 2;
    const double centreB = b.y + b.height / 2;
    const double apart = std::abs(centreA - centreB);
    if (apart > kLineTolerance || apart > halfLineHeight(a, b) || stacked(a, b)) return centreA > centreB;
    // std::min(width, 0.0) keeps a NaN width, so such a box has no left edge.
    return a.x + std::min(a.width, 0.0) < b.x + std::min(b.width, 0.0);
}

/// Reads the box of the item at a position; asked afresh at every comparison.
using BoxOf = std::function<const Box&(std::size_t position)>;

/// The positions 0 .. count - 1 in reading order of the boxes `boxOf` gives,
/// by precedesInReading. Ties keep their order on lists under 64 items; on
/// longer lists an intransitive chain may reorder them.
std::vector<std::size_t> readingOrder(std::size_t count, const BoxOf& boxOf);

}  // namespace leggipdf
