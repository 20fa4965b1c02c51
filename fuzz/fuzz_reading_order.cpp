// The reading-order sort and the column split on boxes made from the input:
// freely (NaN and infinities included), from a palette of a few boxes (many
// exact ties), or on lines where std::stable_sort is an oracle.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cassert>
#include <limits>
#include <vector>

#include "ocr/columns.h"
#include "ocr/reading_order.h"

namespace {

using leggipdf::Box;

struct Item {
    Box box;
    std::size_t index;  // where the item stood before the sort
};

bool precedes(const Item& a, const Item& b) { return leggipdf::precedesInReading(a.box, b.box); }

double coordinate(FuzzedDataProvider& input) {
    using Limits = std::numeric_limits<double>;
    constexpr double kSpecial[] = {
        Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity(), 1e300, -1e300, Limits::denorm_min(), -0.0, 0.015};
    const std::uint8_t byte = input.ConsumeIntegral<std::uint8_t>();
    // Steps of 1/200 put several neighbours within the line tolerance.
    return byte < 0xF8 ? byte / 200.0 : kSpecial[byte - 0xF8];
}

Box freeBox(FuzzedDataProvider& in) { return {coordinate(in), coordinate(in), coordinate(in), coordinate(in)}; }

std::vector<Item> itemsFrom(FuzzedDataProvider& input, int mode) {
    std::vector<Box> palette(mode == 1 ? input.ConsumeIntegralInRange<std::size_t>(1, 4) : 0);
    for (Box& box : palette) box = freeBox(input);
    std::vector<Item> items;
    while (input.remaining_bytes() > 0) {
        Box box;
        if (mode == 0) box = freeBox(input);
        if (mode == 1) box = palette[input.ConsumeIntegral<std::uint8_t>() % palette.size()];
        // Centres 0.02 apart or equal, no height: "same line" is an equivalence.
        if (mode == 2)
            box = {input.ConsumeIntegral<std::uint8_t>() / 256.0, input.ConsumeIntegralInRange(0, 40) * 0.02};
        items.push_back({box, items.size()});
    }
    return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int mode = input.ConsumeIntegralInRange(0, 2);
    const std::vector<Item> original = itemsFrom(input, mode);
    std::vector<Item> sorted;
    for (const std::size_t i :
         leggipdf::readingOrder(original.size(), [&original](std::size_t i) -> const Box& { return original[i].box; }))
        sorted.push_back(original.at(i));

    std::vector<bool> seen(original.size());  // a permutation of the input
    for (const Item& item : sorted) {
        assert(item.index < original.size() && !seen[item.index]);
        seen[item.index] = true;
    }
    // Split at gutters, whatever the boxes, every line comes out exactly once.
    std::vector<leggipdf::LineShape> lines;
    for (const Item& item : original) lines.push_back({item.box, item.index % 5});
    std::vector<bool> placed(lines.size());
    for (const std::size_t i : leggipdf::columnwiseReadingOrder(lines)) {
        assert(i < placed.size() && !placed[i]);
        placed[i] = true;
    }
    assert(std::find(placed.begin(), placed.end(), false) == placed.end());
    if (mode == 2) {
        std::vector<Item> expected = original;
        std::stable_sort(expected.begin(), expected.end(), precedes);
        for (std::size_t i = 0; i < sorted.size(); ++i) assert(sorted[i].index == expected[i].index);
    }
    return 0;
}
