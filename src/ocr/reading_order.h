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
// The tolerance makes the comparator intransitive (F and G share a line, G
// and H share a line, yet H is clearly above F), so the order that comes out
// depends on exactly which pairs are compared, in which sequence and with
// which element first. The sort below therefore fixes that sequence: a
// natural merge sort with a minimum run length, linear insertion, strictly
// descending runs that are reversed, a run stack with a fixed collapse rule
// and non-galloping merges. std::stable_sort, a binary insertion sort or a
// galloping merge would all be well-defined sorts and still give different
// pages; do not swap them in, and do not "optimise" a comparison away.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <utility>
#include <vector>

namespace leggipdf {

/// A box in normalised image coordinates: 0..1, origin at the lower-left
/// corner, y growing upward.
struct Box {
    double x = 0, y = 0, width = 0, height = 0;
};

/// Two boxes lie on one line only when their vertical centres differ by no
/// more than this fraction of the image height.
inline constexpr double kLineTolerance = 0.015;

/// Half the height of the taller of two boxes: how far apart two centres on
/// one line may lie. Infinite when either height is NaN or negative.
inline double halfLineHeight(const Box& a, const Box& b) {
    if (!(a.height >= 0) || !(b.height >= 0)) return std::numeric_limits<double>::infinity();
    return std::max(a.height, b.height) / 2;
}

/// True when a comes before b in reading order. Not transitive. A NaN centre
/// puts the pair on one line; a NaN left edge never precedes nor is preceded.
inline bool precedesInReading(const Box& a, const Box& b) {
    const double centreA = a.y + a.height / 2;
    const double centreB = b.y + b.height / 2;
    const double apart = std::abs(centreA - centreB);
    if (apart > kLineTolerance || apart > halfLineHeight(a, b)) return centreA > centreB;
    // std::min(width, 0.0) keeps a NaN width, so such a box has no left edge.
    return a.x + std::min(a.width, 0.0) < b.x + std::min(b.width, 0.0);
}

/// The length below which a run is lengthened by insertion: n itself under
/// 64, otherwise n shifted into 32..63, plus one if a shifted-out bit was set.
std::size_t minimumRunLength(std::size_t n);

namespace detail {

template <class T, class Precedes>
class ReadingOrderSort {
public:
    ReadingOrderSort(std::span<T> items, Precedes precedes) : items_(items), precedes_(precedes) {}

    void run() {
        const std::size_t n = items_.size();
        if (n < 64) {
            if (n > 1) insertionStep(0, 1, n);
            return;
        }
        const std::size_t minRun = minimumRunLength(n);
        scratch_.reserve(n / 2);
        for (std::size_t start = 0; start < n;) {
            std::size_t end = nextRunEnd(start);
            if (end < n && end - start < minRun) {
                const std::size_t newEnd = std::min(start + minRun, n);
                insertionStep(start, end, newEnd);
                end = newEnd;
            }
            runs_.push_back({start, end});
            collapse();
            start = end;
        }
        while (runs_.size() > 1) mergeAt(runs_.size() - 2);
    }

private:
    struct Run {
        std::size_t start, end;
        std::size_t length() const { return end - start; }
    };

    // Sorts [lo, hi) given that [lo, sorted) is in order. Holding the moving
    // element aside and shifting its neighbours costs fewer moves than
    // swapping pairwise, and asks exactly the same questions.
    void insertionStep(std::size_t lo, std::size_t sorted, std::size_t hi) {
        for (std::size_t i = sorted; i < hi; ++i) {
            if (!precedes_(items_[i], items_[i - 1])) continue;
            T moving = std::move(items_[i]);
            std::size_t at = i;
            do {
                items_[at] = std::move(items_[at - 1]);
                --at;
            } while (at > lo && precedes_(moving, items_[at - 1]));
            items_[at] = std::move(moving);
        }
    }

    // End of the run that begins at start; a descending run is reversed in
    // place. Descending means strictly: neighbours that tie end the run, so
    // the reversal never swaps two of them.
    std::size_t nextRunEnd(std::size_t start) {
        const std::size_t n = items_.size();
        if (start + 1 == n) return n;
        const bool descending = precedes_(items_[start + 1], items_[start]);
        std::size_t end = start + 2;
        while (end < n && precedes_(items_[end], items_[end - 1]) == descending) ++end;
        if (descending) {
            std::reverse(items_.begin() + static_cast<std::ptrdiff_t>(start),
                         items_.begin() + static_cast<std::ptrdiff_t>(end));
        }
        return end;
    }

    void collapse() {
        while (runs_.size() > 1) {
            const std::size_t top = runs_.size() - 1;
            const std::size_t z = runs_[top].length(), y = runs_[top - 1].length();
            const std::size_t x = top >= 2 ? runs_[top - 2].length() : 0;
            const bool fourBroken = top >= 3 && runs_[top - 3].length() <= x + y;
            const bool threeBroken = top >= 2 && x <= y + z;
            if (fourBroken || threeBroken) {
                mergeAt(x < z ? top - 2 : top - 1);
            } else if (y <= z) {
                mergeAt(top - 1);
            } else {
                return;
            }
        }
    }

    // Merges runs_[i] with runs_[i + 1] and keeps the result at i.
    void mergeAt(std::size_t i) {
        const std::size_t lo = runs_[i].start, mid = runs_[i].end, hi = runs_[i + 1].end;
        if (mid - lo < hi - mid) {
            mergeForward(lo, mid, hi);
        } else {
            mergeBackward(lo, mid, hi);
        }
        runs_[i].end = hi;
        runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    }

    void moveToScratch(std::size_t from, std::size_t to) {
        scratch_.clear();  // capacity stays: the buffer is allocated once per sort
        for (std::size_t i = from; i < to; ++i) scratch_.push_back(std::move(items_[i]));
    }

    // The right-hand element is always asked first and has to strictly
    // precede to go ahead; that is what keeps ties in the left run's favour.
    void mergeForward(std::size_t lo, std::size_t mid, std::size_t hi) {
        moveToScratch(lo, mid);
        std::size_t out = lo, left = 0, right = mid;
        while (left < scratch_.size() && right < hi) {
            if (precedes_(items_[right], scratch_[left])) {
                items_[out++] = std::move(items_[right++]);
            } else {
                items_[out++] = std::move(scratch_[left++]);
            }
        }
        std::move(scratch_.begin() + static_cast<std::ptrdiff_t>(left), scratch_.end(),
                  items_.begin() + static_cast<std::ptrdiff_t>(out));
    }

    void mergeBackward(std::size_t lo, std::size_t mid, std::size_t hi) {
        moveToScratch(mid, hi);
        std::size_t out = hi, left = mid, right = scratch_.size();
        while (right > 0 && left > lo) {
            if (precedes_(scratch_[right - 1], items_[left - 1])) {
                items_[--out] = std::move(items_[--left]);
            } else {
                items_[--out] = std::move(scratch_[--right]);
            }
        }
        std::move(scratch_.begin(), scratch_.begin() + static_cast<std::ptrdiff_t>(right),
                  items_.begin() + static_cast<std::ptrdiff_t>(left));
    }

    std::span<T> items_;
    Precedes precedes_;
    std::vector<T> scratch_;
    std::vector<Run> runs_;
};

}  // namespace detail

/// Sorts items in place into reading order by the boxes boxOf(item) returns
/// (a Box or const Box&). Elements are only moved, never copied; T must be
/// move-constructible and move-assignable. Ties keep their order on lists
/// under 64 items; on longer lists an intransitive chain may reorder them.
template <class T, class BoxOf>
void sortInReadingOrder(std::span<T> items, BoxOf boxOf) {
    const auto precedes = [&boxOf](const T& a, const T& b) { return precedesInReading(boxOf(a), boxOf(b)); };
    detail::ReadingOrderSort<T, decltype(precedes)>(items, precedes).run();
}

}  // namespace leggipdf
