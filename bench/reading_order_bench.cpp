// Time to put recognised observations into reading order. Each iteration
// restores the delivered order by copy-assignment before sorting; the Copy
// entries time that restore alone, so sort time = entry - Copy of the same n.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "ocr/reading_order.h"
#include "ocr_interface/ocr_interface.h"

namespace leggipdf {
namespace {

Observation observation(double x, double y, double width, double height) {
    return {{x, y, width, height}, std::string("parola")};
}

std::vector<Observation> randomBoxes(std::size_t n, std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Observation> result;
    for (std::size_t i = 0; i < n; ++i) {
        result.push_back(observation(unit(random), unit(random), 0.3 * unit(random), 0.01 + 0.02 * unit(random)));
    }
    return result;
}

// Lines of words in two columns, line pitch about 0.02, heights 0.01..0.02,
// each word's centre jittered within its line. Lines continue below y = 0
// for large n: the comparator only looks at differences, so this keeps the
// density of a real page at any size. Delivered column by column, line by
// line, as an engine reading blocks would.
std::vector<Observation> pageOfLines(std::size_t n, std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    constexpr std::size_t kWordsPerColumnLine = 4;
    std::vector<Observation> result;
    for (std::size_t line = 0; result.size() < n; ++line) {
        for (int column = 0; column < 2 && result.size() < n; ++column) {
            const double centre = 0.97 - 0.02 * static_cast<double>(line);
            for (std::size_t word = 0; word < kWordsPerColumnLine && result.size() < n; ++word) {
                const double height = 0.01 + 0.01 * unit(random);
                const double y = centre + 0.004 * (unit(random) - 0.5) - height / 2;
                const double x = 0.05 + 0.48 * column + 0.11 * static_cast<double>(word) + 0.01 * unit(random);
                result.push_back(observation(x, y, 0.09, height));
            }
        }
    }
    return result;
}

std::vector<Observation> engineOrder(std::vector<Observation> page) {
    std::stable_partition(page.begin(), page.end(), [](const Observation& o) { return o.boundingBox.x < 0.5; });
    return page;
}

std::vector<Observation> scrambled(std::vector<Observation> page, std::mt19937& random) {
    std::shuffle(page.begin(), page.end(), random);
    return page;
}

enum class Kind { random, pageScrambled, pageEngineOrder };

std::vector<Observation> delivered(Kind kind, std::size_t n) {
    std::mt19937 random(42);
    switch (kind) {
        case Kind::random:
            return randomBoxes(n, random);
        case Kind::pageScrambled:
            return scrambled(pageOfLines(n, random), random);
        case Kind::pageEngineOrder:
            return engineOrder(pageOfLines(n, random));
    }
    return {};
}

// Counted once outside the timed loop: on a shared or virtual machine the
// time per item also reflects the cache, the count shows the n log n alone.
double comparisonsPerItem(std::vector<Observation> items) {
    std::size_t boxReads = 0;
    readingOrder(items.size(), [&boxReads, &items](std::size_t i) -> const Box& {
        ++boxReads;
        return items[i].boundingBox;
    });
    return items.empty() ? 0.0 : static_cast<double>(boxReads) / 2.0 / static_cast<double>(items.size());
}

template <Kind kind, bool sort>
void readingOrder(benchmark::State& state) {
    const std::vector<Observation> input = delivered(kind, static_cast<std::size_t>(state.range(0)));
    if (sort) state.counters["comparisons_per_item"] = comparisonsPerItem(input);
    std::vector<Observation> items = input;
    for (auto _ : state) {
        items = input;
        if (sort) {
            const std::vector<std::size_t> order =
                readingOrder(items.size(), [&items](std::size_t i) -> const Box& { return items[i].boundingBox; });
            benchmark::DoNotOptimize(order.data());
        }
        benchmark::DoNotOptimize(items.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(readingOrder<Kind::random, true>)->Name("SortRandomBoxes")->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(readingOrder<Kind::pageScrambled, true>)->Name("SortPageScrambled")->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(readingOrder<Kind::pageEngineOrder, true>)->Name("SortPageEngineOrder")->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(readingOrder<Kind::random, false>)->Name("Copy")->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace
}  // namespace leggipdf
