// Recognised lines into text: the reading order and its sort, and the engine
// loaded on first need.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ocr/columns.h"
#include "ocr/lazy_recognizer.h"
#include "ocr/reading_order.h"
#include "ocr/text_in_reading_order.h"

namespace leggipdf {
namespace {

// A box one line tall (0.03) centred at `centre`, exactly for the centres used
// here; with no width, two never stack: only centres and left edges decide.
Box at(double centre, double left) { return {left, centre - 0.015, 0.0, 0.03}; }

std::vector<std::size_t> sorted(const std::vector<Box>& boxes) {
    return readingOrder(boxes.size(), [&boxes](std::size_t i) -> const Box& { return boxes[i]; });
}

// A hash of the input positions in sorted order.
std::uint64_t sortedOrder(const std::vector<Box>& boxes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const std::size_t i : sorted(boxes)) hash = (hash ^ static_cast<std::uint64_t>(i)) * 0x100000001b3u;
    return hash;
}

TEST(PrecedesInReading, DecidesByLineThenLeftEdge) {
    // Centred at 0.5 and `apart` lower, as consecutive lines of 10-pt text on
    // A4 are 0.0143 apart; side by side unless the lower one starts at
    // `left`, under the upper one.
    const auto upper = [](double h) { return Box{0.5, 0.5 - h / 2, 0.4, h}; };
    const auto lower = [](double h, double apart = 0.0143, double left = 0.1) {
        return Box{left, 0.5 - apart - h / 2, 0.4, h};
    };
    const struct {
        const char* name;
        Box a, b;
        bool aFirst, bFirst;
    } cases[] = {
        {"centres exactly the tolerance apart share a line", at(0.015, 0.5), at(0.0, 0.1), false, true},
        {"0.0143 apart, 0.012 tall: two lines", upper(0.012), lower(0.012), true, false},
        {"0.0143 apart, 0.04 tall: one line", upper(0.04), lower(0.04), false, true},
        {"the taller box decides", upper(0.012), lower(0.04), false, true},
        {"tall lines 0.016 apart: beyond the tolerance", upper(0.05), lower(0.05, 0.016), true, false},
        {"negative height: the tolerance alone", upper(-0.01), lower(0.0), false, true},
        {"under more than half the narrower width: two lines", upper(0.04), lower(0.04, 0.0143, 0.31), true, false},
        {"under half the narrower width: one line", upper(0.04), lower(0.04, 0.0143, 0.29), false, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::pair(precedesInReading(c.a, c.b), precedesInReading(c.b, c.a)), std::pair(c.aFirst, c.bFirst))
            << c.name;
}

// A generator fixed bit for bit, so that the pages below are the same on
// every platform and the orders recorded for them stay valid.
struct SplitMix64 {
    std::uint64_t state;
    double below(std::uint64_t bound) {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return static_cast<double>((z ^ (z >> 31)) % bound);
    }
};

// Centres on a 0.004 grid: a pair is within 0.012 or at least 0.016 apart.
std::vector<Box> densePage(std::uint64_t seed, std::size_t n) {
    SplitMix64 random{seed};
    std::vector<Box> boxes;
    for (std::size_t i = 0; i < n; ++i) {
        const double left = 0.1 * random.below(8);  // drawn before the centre, as the recorded orders were
        boxes.push_back(at(0.004 * random.below(60), left));
    }
    return boxes;
}

// Each block is one natural run of the given length (lines 0.02 apart, top
// down) starting above where the previous one ended, so the order of the
// merges shows in the result.
std::vector<Box> pageOfBlocks(std::uint64_t seed, const std::vector<int>& lengths) {
    SplitMix64 random{seed};
    std::vector<Box> boxes;
    for (int length : lengths) {
        const double top = 500 + random.below(10);
        for (int line = 0; line < length; ++line) boxes.push_back(at(0.004 * (top - 5 * line), 0.1 * random.below(4)));
    }
    return boxes;
}

// Orders a reader can check by hand. F precedes G and G precedes H on one
// line (by left edge), yet H is above F; P and Q have H's box. Lists under 64
// are sorted by insertion alone, from 64 on by runs: the same four come out
// differently when 60 lines further down make them the head of a long list.
TEST(ReadingOrder, FollowsInsertionAndRunsThroughIntransitiveChains) {
    const Box F = at(0.500, 0.1), G = at(0.510, 0.2), H = at(0.520, 0.3), P = H, Q = H, low = at(0.05, 0.9);
    const auto withLowLines = [&](std::vector<Box> boxes) {
        boxes.insert(boxes.end(), 60, low);
        return boxes;
    };
    const auto followedBy = [](std::vector<std::size_t> head) {
        for (std::size_t i = head.size(); i < 64; ++i) head.push_back(i);
        return head;
    };
    std::vector<Box> bottomUp;
    std::vector<std::size_t> topDown;
    for (std::size_t i = 0; i < 70; ++i) bottomUp.push_back(at(0.02 * static_cast<double>(i), 0.5));
    for (std::size_t i = 70; i-- > 0;) topDown.push_back(i);
    const struct {
        const char* name;
        std::vector<Box> boxes;
        std::vector<std::size_t> order;
    } cases[] = {
        {"F G H stays", {F, G, H}, {0, 1, 2}},
        {"F H G becomes H F G", {F, H, G}, {1, 0, 2}},
        {"H G F becomes G H F", {H, G, F}, {1, 0, 2}},
        {"P G F Q becomes G P Q F", {P, G, F, Q}, {1, 0, 3, 2}},
        {"P G F Q and 60 below: one descending run, Q F G P", withLowLines({P, G, F, Q}), followedBy({3, 2, 1, 0})},
        {"70 lines from the bottom up: reversed", bottomUp, topDown},
    };
    for (const auto& c : cases) EXPECT_EQ(sorted(c.boxes), c.order) << c.name;
}

// Which runs merge first shows only on intransitive input. These orders come
// from a literal transcription of the procedure (tests/support/transcribed_orders.py);
// the block pages make the collapse rule's four-run test, X == Z and X <= Y + Z decide.
TEST(ReadingOrder, IntransitivePagesComeOutInTranscribedOrder) {
    const struct {
        const char* name;
        std::vector<Box> boxes;
        std::uint64_t order;
    } cases[] = {
        {"dense 40", densePage(3, 40), 0xf65b2b423b84e603u},
        {"dense 100", densePage(2, 100), 0xf7ad498b2239f6bfu},
        {"dense 3000", densePage(1, 3000), 0xac25dc814517103du},
        {"four-run rule", pageOfBlocks(7, {543, 365, 598, 245, 74, 270, 117, 42, 264}), 0x8a4e15d8285884d6u},
        {"X == Z", pageOfBlocks(7, {288, 266, 288, 66, 188, 216, 96}), 0x9867f8dd3390e38bu},
        {"X == Y + Z", pageOfBlocks(7, {196, 175, 246, 125, 197, 85}), 0x3590ab9b5baacc71u},
    };
    for (const auto& c : cases) EXPECT_EQ(sortedOrder(c.boxes), c.order) << c.name;
}

// `count` lines of `words` words between `left` and `right`, 0.02 apart
// from `firstCentre` down.
std::vector<LineShape> column(double left, double right, double firstCentre, int count, std::size_t words = 8) {
    std::vector<LineShape> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back({{left, firstCentre - 0.02 * i - 0.006, right - left, 0.012}, words});
    return lines;
}

// The positions of each range [from, to), one range after the other.
std::vector<std::size_t> positions(std::initializer_list<std::pair<std::size_t, std::size_t>> ranges) {
    std::vector<std::size_t> all;
    for (const auto& [from, to] : ranges)
        for (std::size_t i = from; i < to; ++i) all.push_back(i);
    return all;
}

// Lines 0..9 left, 10..19 right, unless said otherwise.
TEST(ColumnwiseReadingOrder, ReadsColumnsInTurnAndKeepsTablesWhole) {
    const auto page = [](std::vector<std::vector<LineShape>> parts) {
        std::vector<LineShape> lines;
        for (const auto& part : parts) lines.insert(lines.end(), part.begin(), part.end());
        return lines;
    };
    const auto left = column(0.1, 0.45, 0.8, 10), right = column(0.55, 0.9, 0.8, 10);
    const auto heading = column(0.1, 0.9, 0.9, 1), footer = column(0.1, 0.9, 0.2, 2);
    const auto rowByRow = [](const std::vector<LineShape>& lines) {
        return readingOrder(lines.size(), [&lines](std::size_t i) -> const Box& { return lines[i].box; });
    };
    const auto table =
        page({column(0.1, 0.25, 0.8, 10, 2), column(0.4, 0.55, 0.8, 10, 1), column(0.7, 0.9, 0.8, 10, 2)});
    const auto code = page({column(0.1, 0.3, 0.8, 10, 2), column(0.35, 0.9, 0.8, 10)});
    const auto narrowGap = page({column(0.1, 0.5, 0.8, 10), column(0.503, 0.9, 0.8, 10)});
    const auto lone = page({left, right, {{{0.47, 0.69, 0.03, 0.012}, 1}}});
    // Leaning by 0.05 across per unit of height, as a photographed page's
    // gutter does: no upright band stays free between the two.
    const auto leaning = [&page](std::vector<std::vector<LineShape>> parts) {
        auto lines = page(std::move(parts));
        for (auto& line : lines) line.box.x += 0.05 * (line.box.y - 0.5);
        return lines;
    };
    const auto underFigure = [&page](int count) {
        return page({column(0.1, 0.9, 0.95, 30), column(0.1, 0.45, 0.3, count), column(0.55, 0.9, 0.3, count)});
    };
    const struct {
        const char* name;
        std::vector<LineShape> lines;
        std::vector<std::size_t> order;
    } cases[] = {
        {"two columns", page({right, left}), positions({{10, 20}, {0, 10}})},
        {"a heading over two columns and a footer under", page({footer, left, heading, right}),
         positions({{12, 13}, {2, 12}, {13, 23}, {0, 2}})},
        {"three columns", page({column(0.7, 0.95, 0.8, 8), column(0.05, 0.3, 0.8, 8), column(0.37, 0.63, 0.8, 8)}),
         positions({{8, 16}, {16, 24}, {0, 8}})},
        {"four lines a side are no gutter", page({column(0.1, 0.45, 0.8, 4), column(0.55, 0.9, 0.8, 4)}),
         rowByRow(page({column(0.1, 0.45, 0.8, 4), column(0.55, 0.9, 0.8, 4)}))},
        {"a table of short cells stays whole", table, rowByRow(table)},
        {"a gap of 0.3% is a space between words", narrowGap, rowByRow(narrowGap)},
        {"terms of two words beside long lines", code, rowByRow(code)},
        {"ten lines a side under a figure", underFigure(10), positions({{0, 30}, {30, 50}})},
        {"nine lines a side under a figure", underFigure(9), rowByRow(underFigure(9))},
        {"a lone narrow line in the gutter", lone, positions({{0, 6}, {20, 21}, {6, 20}})},
        {"a wordless box over the whole page", page({left, right, {{{0, 0, 1, 1}, 0}}}), positions({{0, 21}})},
        {"a leaning gutter", leaning({column(0.1, 0.49, 0.9, 30), column(0.51, 0.9, 0.9, 30)}), positions({{0, 60}})},
    };
    for (const auto& c : cases) EXPECT_EQ(columnwiseReadingOrder(c.lines), c.order) << c.name;
}

Observation line(double top, double left, std::optional<std::string> text) {
    return {Box{left, top - 0.02, 0.3, 0.02}, std::move(text)};
}

// A stamp across the gutter, read with words but unsure of them, is no
// heading over both columns; read surely, it is.
TEST(TextInReadingOrder, StampsWithoutConfidentWordsLeaveTheGutterOpen) {
    for (const double stampConfidence : {kConfidentLine - 1, kConfidentLine}) {
        std::vector<Observation> lines;
        for (int row = 0; row < 5; ++row) {
            const double top = 0.8 - 0.05 * row;
            lines.push_back({Box{0.1, top - 0.02, 0.35, 0.02}, "left " + std::to_string(row) + " x", 90});
            lines.push_back({Box{0.55, top - 0.02, 0.35, 0.02}, "right " + std::to_string(row) + " x", 90});
        }
        lines.push_back({Box{0.3, 0.65, 0.4, 0.05}, "RICEVUTO 09 DIC", stampConfidence});
        const bool open = stampConfidence < kConfidentLine;
        EXPECT_EQ(textInReadingOrder(lines).starts_with("left 0 x left 1 x left 2 x left 3 x left 4 x"), open)
            << textInReadingOrder(lines);
    }
}

// Counts the engines made; serves lines in its own order, with a line that
// has no reading and one of blanks.
struct CountingEngine final : LineRecognizer {
    static inline int made = 0;
    CountingEngine() { ++made; }
    std::vector<Observation> recognizedLines(const PageImage&) override {
        return {line(0.2, 0.1, "giù\n"), line(0.8, 0.6, "destra"), line(0.5, 0.1, std::nullopt),
                line(0.8, 0.1, " su  e"), line(0.3, 0.1, " \t")};
    }
};

TEST(LazyRecognizer, MakesTheEngineOnceOnTheFirstPageWithInkAndOrdersItsLines) {
    CountingEngine::made = 0;
    LazyRecognizer recognizer([]() -> std::unique_ptr<LineRecognizer> { return std::make_unique<CountingEngine>(); });
    const std::uint8_t white[] = {255, 255, 255, 255, 255, 255}, inked[] = {255, 255, 255, 255, 254, 255};
    const auto image = [](const std::uint8_t* pixels) { return PageImage{2, 2, 3, pixels, nullptr}; };
    EXPECT_EQ(recognizer.recognizedText(image(white)), "");
    EXPECT_EQ(CountingEngine::made, 0) << "nothing is loaded before a page with ink needs it";
    EXPECT_EQ(recognizer.recognizedText(image(inked)), "su e destra giù");
    EXPECT_EQ(recognizer.recognizedText(image(inked)), "su e destra giù");
    EXPECT_EQ(CountingEngine::made, 1);
    // A failed load is kept for every later page (and worker), not tried again.
    LazyRecognizer failing([]() -> std::unique_ptr<LineRecognizer> { throw ++CountingEngine::made; });
    for (int page = 0; page < 2; ++page) EXPECT_ANY_THROW(failing.recognizedText(image(inked)));
    EXPECT_EQ(CountingEngine::made, 2);
}

}  // namespace
}  // namespace leggipdf
