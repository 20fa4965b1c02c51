#include "ocr/columns.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace leggipdf {
namespace {

// Narrower gaps are the space between words that the engine split a line at.
constexpr double kMinGutterWidth = 0.005;

// Leaning gutters are sought in steps of kSlantStep (across per unit of
// height, both normalised) up to kSlantSteps steps either way: a page
// photographed at an angle, or turned by up to about 5 degrees and not
// straightened, leans its gutter by that much.
constexpr double kSlantStep = 0.01;
constexpr int kSlantSteps = 8;

using Part = std::vector<std::size_t>;

double top(const Box& box) { return box.y + box.height; }
double right(const Box& box) { return box.x + box.width; }

// A gutter: lines wholly left of x and lines starting right of x, with none
// crossing x, from bottom to top, in a part sheared by `slant`.
struct Gutter {
    double x, bottom, top, width;
    double slant = 0;
};

struct Stretch {
    double bottom, top;
};

// The spans of [low, high] that no line crossing x covers.
std::vector<Stretch> freeStretches(const std::vector<LineShape>& lines, const Part& part, double x, double low,
                                   double high) {
    std::vector<Stretch> blocked;
    for (const std::size_t i : part) {
        const Box& box = lines[i].box;
        if (lines[i].words > 0 && box.x < x && right(box) > x) blocked.push_back({box.y, top(box)});
    }
    std::sort(blocked.begin(), blocked.end(), [](const Stretch& a, const Stretch& b) { return a.bottom < b.bottom; });
    std::vector<Stretch> free;
    double from = low;
    for (const Stretch& span : blocked) {
        if (span.bottom > from) free.push_back({from, span.bottom});
        from = std::max(from, span.top);
    }
    if (high > from) free.push_back({from, high});
    return free;
}

bool within(const Box& box, const Stretch& stretch) { return box.y >= stretch.bottom && top(box) <= stretch.top; }

// The gutter at x over `stretch`, if enough long lines border it on both sides.
std::optional<Gutter> gutterAt(const std::vector<LineShape>& lines, const Part& part, double x, const Stretch& stretch,
                               std::size_t needed) {
    std::size_t left = 0, rightOf = 0;
    double nearestRight = INFINITY;
    for (const std::size_t i : part) {
        const LineShape& line = lines[i];
        if (!within(line.box, stretch)) continue;
        if (line.box.x > x) nearestRight = std::min(nearestRight, line.box.x);
        if (line.words < kGutterLineWords) continue;
        if (right(line.box) <= x) ++left;
        if (line.box.x > x) ++rightOf;
    }
    const double width = nearestRight - x;
    if (left < needed || rightOf < needed || !(width >= kMinGutterWidth)) return std::nullopt;
    return Gutter{x, stretch.bottom, stretch.top, width};
}

// Of all gutters, the one over the tallest stretch, then the widest; only
// tall ones when `tallOnly`.
std::optional<Gutter> bestGutter(const std::vector<LineShape>& lines, const Part& part, bool tallOnly) {
    double low = INFINITY, high = -INFINITY;
    for (const std::size_t i : part) {
        low = std::min(low, lines[i].box.y);
        high = std::max(high, top(lines[i].box));
    }
    std::optional<Gutter> best;
    for (const std::size_t candidate : part) {
        const double x = right(lines[candidate].box);
        if (!std::isfinite(x)) continue;
        for (const Stretch& stretch : freeStretches(lines, part, x, low, high)) {
            const bool tall = stretch.top - stretch.bottom >= kGutterShare * (high - low);
            if (tallOnly && !tall) continue;
            const std::optional<Gutter> gutter =
                gutterAt(lines, part, x, stretch, tall ? kGutterLines : kShortGutterLines);
            if (gutter && (!best || std::pair(gutter->top - gutter->bottom, gutter->width) >
                                        std::pair(best->top - best->bottom, best->width))) {
                best = gutter;
            }
        }
    }
    return best;
}

void appendInOrder(const std::vector<LineShape>& lines, const Part& part, Part& order);

void appendLeaf(const std::vector<LineShape>& lines, const Part& part, Part& order) {
    for (const std::size_t i :
         readingOrder(part.size(), [&](std::size_t k) -> const Box& { return lines[part[k]].box; }))
        order.push_back(part[i]);
}

// `lines` with the boxes of `part` moved sideways by `slant` times their
// centre's height above the middle of the page, so that a gutter leaning by
// `slant` stands upright.
std::vector<LineShape> sheared(const std::vector<LineShape>& lines, const Part& part, double slant) {
    std::vector<LineShape> moved = lines;
    for (const std::size_t i : part) {
        Box& box = moved[i].box;
        box.x -= slant * (box.y + box.height / 2 - 0.5);
    }
    return moved;
}

// The upright gutter; failing one over the whole height, the leaning gutter
// over the tallest stretch, if taller, with the lines sheared to stand it up.
std::optional<Gutter> leaningGutter(const std::vector<LineShape>& lines, const Part& part,
                                    std::vector<LineShape>& upright) {
    std::optional<Gutter> best = bestGutter(lines, part, false);
    upright = lines;
    double low = INFINITY, high = -INFINITY;
    for (const std::size_t i : part) {
        low = std::min(low, lines[i].box.y);
        high = std::max(high, top(lines[i].box));
    }
    if (best && best->top - best->bottom >= high - low) return best;
    for (int step = 1; step <= kSlantSteps; ++step) {
        for (const double slant : {step * kSlantStep, -(step * kSlantStep)}) {
            std::vector<LineShape> moved = sheared(lines, part, slant);
            std::optional<Gutter> gutter = bestGutter(moved, part, true);
            if (!gutter || (best && gutter->top - gutter->bottom <= best->top - best->bottom)) continue;
            best = gutter;
            best->slant = slant;
            upright = std::move(moved);
        }
    }
    return best;
}

void appendInOrder(const std::vector<LineShape>& original, const Part& part, Part& order) {
    std::vector<LineShape> lines;
    const std::optional<Gutter> gutter = leaningGutter(original, part, lines);
    if (!gutter) return appendLeaf(original, part, order);
    // Every line of the stretch that ends left of the gutter is on the left,
    // the others on the right. Gutters are sought at the right edges of lines,
    // so a page number standing between two columns leaves one beside it.
    Part above, left, rightOf, below;
    for (const std::size_t i : part) {
        const Box& box = lines[i].box;
        const double centre = box.y + box.height / 2;
        if (centre > gutter->top) {
            above.push_back(i);
        } else if (centre < gutter->bottom) {
            below.push_back(i);
        } else {
            (right(box) <= gutter->x ? left : rightOf).push_back(i);
        }
    }
    const std::array<const Part*, 4> pieces = {&above, &left, &rightOf, &below};
    // Boxes of negative or undefined size may be counted on one side and
    // placed elsewhere: a split that leaves the part whole is no split.
    if (std::ranges::any_of(pieces, [&part](const Part* piece) { return piece->size() == part.size(); })) {
        return appendLeaf(original, part, order);
    }
    for (const Part* piece : pieces) appendInOrder(original, *piece, order);
}

}  // namespace

std::vector<std::size_t> columnwiseReadingOrder(const std::vector<LineShape>& lines) {
    Part all(lines.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    Part order;
    order.reserve(all.size());
    appendInOrder(lines, all, order);
    return order;
}

}  // namespace leggipdf
