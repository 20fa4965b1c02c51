// The reading-order sort on boxes made from the input. The first byte picks
// how they are made: freely (NaN and infinities included), from a palette
// of a few boxes (many exact ties), or on lines far enough apart that the
// comparator is a strict weak order and std::stable_sort is an oracle.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

#include "fuzz_check.h"
#include "ocr/reading_order.h"

namespace {

using leggipdf::Box;
using leggipdf::precedesInReading;

struct Item {
    Box box;
    std::size_t index;  // where the item stood before the sort
};

bool same(const Box& a, const Box& b) { return std::memcmp(&a, &b, sizeof(Box)) == 0; }

bool precedes(const Item& a, const Item& b) { return precedesInReading(a.box, b.box); }

double coordinate(FuzzedDataProvider& input) {
    using Limits = std::numeric_limits<double>;
    constexpr double kSpecial[] = {
        Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity(), 1e300, -1e300, Limits::denorm_min(), -0.0, 0.015};
    const std::uint8_t byte = input.ConsumeIntegral<std::uint8_t>();
    // Steps of 1/200 put several neighbours within the line tolerance.
    return byte < 0xF8 ? byte / 200.0 : kSpecial[byte - 0xF8];
}

Box freeBox(FuzzedDataProvider& input) {
    return {coordinate(input), coordinate(input), coordinate(input), coordinate(input)};
}

Box lineBox(FuzzedDataProvider& input) {
    // Centres 0.02 apart (more than the tolerance) or equal: "same line" is
    // then an equivalence and the comparator a strict weak order.
    const int line = input.ConsumeIntegralInRange(0, 40);
    return {input.ConsumeIntegral<std::uint8_t>() / 256.0, line * 0.02, 0, 0};
}

enum class Mode { free, palette, lines };

std::vector<Item> itemsFrom(FuzzedDataProvider& input, Mode mode) {
    std::vector<Box> palette;
    if (mode == Mode::palette) palette.resize(input.ConsumeIntegralInRange(1, 4));
    for (Box& box : palette) box = freeBox(input);
    std::vector<Item> items;
    while (input.remaining_bytes() > 0) {
        Box box = mode == Mode::lines ? lineBox(input) : mode == Mode::free ? freeBox(input) : Box{};
        // A byte each, even for a palette of one, so that the input runs out.
        if (mode == Mode::palette) box = palette[input.ConsumeIntegral<std::uint8_t>() % palette.size()];
        items.push_back({box, items.size()});
    }
    return items;
}

void checkPermutation(const std::vector<Item>& sorted, const std::vector<Item>& original) {
    std::vector<bool> seen(original.size());
    for (const Item& item : sorted) {
        FUZZ_CHECK(item.index < original.size() && !seen[item.index]);
        FUZZ_CHECK(same(item.box, original[item.index].box));
        seen[item.index] = true;
    }
}

// Under 64 items the sort is a plain insertion sort: no item passes one it
// does not strictly precede, and no neighbour strictly precedes the one before.
void checkShortListOrder(const std::vector<Item>& sorted) {
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (i > 0) FUZZ_CHECK(!precedes(sorted[i], sorted[i - 1]));
        for (std::size_t j = i + 1; j < sorted.size(); ++j) {
            const bool tie = !precedes(sorted[i], sorted[j]) && !precedes(sorted[j], sorted[i]);
            FUZZ_CHECK(!tie || sorted[i].index < sorted[j].index);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto mode = static_cast<Mode>(input.ConsumeIntegralInRange(0, 2));
    const std::vector<Item> original = itemsFrom(input, mode);

    std::vector<Item> sorted = original;
    leggipdf::sortInReadingOrder(std::span<Item>(sorted), [](const Item& item) -> const Box& { return item.box; });

    checkPermutation(sorted, original);
    if (sorted.size() < 64) checkShortListOrder(sorted);
    const bool allSame = std::all_of(original.begin(), original.end(),
                                     [&](const Item& item) { return same(item.box, original.front().box); });
    if (allSame) {
        for (std::size_t i = 0; i < sorted.size(); ++i) FUZZ_CHECK(sorted[i].index == i);
    }
    if (mode == Mode::lines) {
        std::vector<Item> expected = original;
        std::stable_sort(expected.begin(), expected.end(), precedes);
        FUZZ_CHECK(std::equal(sorted.begin(), sorted.end(), expected.begin(), expected.end(),
                              [](const Item& a, const Item& b) { return a.index == b.index; }));
    }
    return 0;
}
