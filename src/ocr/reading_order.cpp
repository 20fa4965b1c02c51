#include "ocr/reading_order.h"

#include <bit>
#include <numeric>

// The comparator is intransitive (F and G share a line, G and H share a
// line, yet H is clearly above F), so the order that comes out depends on
// exactly which pairs are compared, in which sequence and with which element
// first. The sort below therefore fixes that sequence: a natural merge sort
// with a minimum run length, linear insertion, strictly descending runs that
// are reversed, a run stack with a fixed collapse rule and non-galloping
// merges. std::stable_sort, a binary insertion sort or a galloping merge
// would all be well-defined sorts and still give different pages; do not
// swap them in, and do not "optimise" a comparison away.

namespace leggipdf {
namespace {

// The length below which a run is lengthened by insertion: n itself under
// 64, otherwise n shifted into 32..63, plus one if a shifted-out bit was set.
std::size_t minimumRunLength(std::size_t n) {
    constexpr std::size_t kBits = 6;
    if (n < (std::size_t{1} << kBits)) return n;
    const std::size_t shift = std::bit_width(n) - kBits;
    const std::size_t shiftedOut = n & ((std::size_t{1} << shift) - 1);
    return (n >> shift) + (shiftedOut != 0 ? 1 : 0);
}

class ReadingOrderSort {
public:
    ReadingOrderSort(std::size_t count, const BoxOf& boxOf) : items_(count), boxOf_(boxOf) {
        std::iota(items_.begin(), items_.end(), std::size_t{0});
    }

    std::vector<std::size_t> sorted() && {
        const std::size_t n = items_.size();
        if (n < 64) {
            if (n > 1) insertionStep(0, 1, n);
            return std::move(items_);
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
        return std::move(items_);
    }

private:
    struct Run {
        std::size_t start, end;
        std::size_t length() const { return end - start; }
    };

    bool precedes(std::size_t a, std::size_t b) const { return precedesInReading(boxOf_(a), boxOf_(b)); }

    // Sorts [lo, hi) given that [lo, sorted) is in order. Holding the moving
    // element aside and shifting its neighbours costs fewer moves than
    // swapping pairwise, and asks exactly the same questions.
    void insertionStep(std::size_t lo, std::size_t sorted, std::size_t hi) {
        for (std::size_t i = sorted; i < hi; ++i) {
            if (!precedes(items_[i], items_[i - 1])) continue;
            const std::size_t moving = items_[i];
            std::size_t at = i;
            do {
                items_[at] = items_[at - 1];
                --at;
            } while (at > lo && precedes(moving, items_[at - 1]));
            items_[at] = moving;
        }
    }

    // End of the run that begins at start; a descending run is reversed in
    // place. Descending means strictly: neighbours that tie end the run, so
    // the reversal never swaps two of them.
    std::size_t nextRunEnd(std::size_t start) {
        const std::size_t n = items_.size();
        if (start + 1 == n) return n;
        const bool descending = precedes(items_[start + 1], items_[start]);
        std::size_t end = start + 2;
        while (end < n && precedes(items_[end], items_[end - 1]) == descending) ++end;
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
        // The capacity stays: the buffer is allocated once per sort.
        scratch_.assign(items_.begin() + static_cast<std::ptrdiff_t>(from),
                        items_.begin() + static_cast<std::ptrdiff_t>(to));
    }

    // The right-hand element is always asked first and has to strictly
    // precede to go ahead; that is what keeps ties in the left run's favour.
    void mergeForward(std::size_t lo, std::size_t mid, std::size_t hi) {
        moveToScratch(lo, mid);
        std::size_t out = lo, left = 0, right = mid;
        while (left < scratch_.size() && right < hi) {
            if (precedes(items_[right], scratch_[left])) {
                items_[out++] = items_[right++];
            } else {
                items_[out++] = scratch_[left++];
            }
        }
        std::copy(scratch_.begin() + static_cast<std::ptrdiff_t>(left), scratch_.end(),
                  items_.begin() + static_cast<std::ptrdiff_t>(out));
    }

    void mergeBackward(std::size_t lo, std::size_t mid, std::size_t hi) {
        moveToScratch(mid, hi);
        std::size_t out = hi, left = mid, right = scratch_.size();
        while (right > 0 && left > lo) {
            if (precedes(scratch_[right - 1], items_[left - 1])) {
                items_[--out] = items_[--left];
            } else {
                items_[--out] = scratch_[--right];
            }
        }
        std::copy(scratch_.begin(), scratch_.begin() + static_cast<std::ptrdiff_t>(right),
                  items_.begin() + static_cast<std::ptrdiff_t>(left));
    }

    std::vector<std::size_t> items_;
    const BoxOf& boxOf_;
    std::vector<std::size_t> scratch_;
    std::vector<Run> runs_;
};

}  // namespace

std::vector<std::size_t> readingOrder(std::size_t count, const BoxOf& boxOf) {
    return ReadingOrderSort(count, boxOf).sorted();
}

}  // namespace leggipdf
