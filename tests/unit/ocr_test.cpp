// Recognised lines into text: the reading order and its sort, the engine
// loaded on first need, and the choice of a script's model.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "ocr/reading_order.h"
#include "ocr/recognizer_loader.h"
#include "ocr/scripted_recognizer.h"

namespace leggipdf {
namespace {

// Move-only on purpose: a sort that copies an element does not compile, and
// one that reads a moved-from element finds a null id.
struct Item {
    Box box;
    std::unique_ptr<int> id;
};

// A box one line tall (0.03) centred at `centre`; for the centres used here
// the subtraction and the comparator's addition cancel exactly.
Box at(double centre, double left) { return {left, centre - 0.015, 0.1, 0.03}; }

// Sorts the boxes; a hash of their input positions in sorted order.
std::uint64_t sortedOrder(const std::vector<Box>& boxes) {
    std::vector<Item> items;
    for (const Box& box : boxes) items.push_back({box, std::make_unique<int>(static_cast<int>(items.size()))});
    sortInReadingOrder(std::span(items), [](const Item& item) -> const Box& { return item.box; });
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const Item& item : items) hash = (hash ^ static_cast<std::uint64_t>(item.id ? *item.id : -1)) * 0x100000001b3u;
    return hash;
}

TEST(PrecedesInReading, DecidesByLineThenLeftEdge) {
    // Centred at 0.5 and `apart` lower, as consecutive lines of 10-pt text on
    // A4 are 0.0143 apart; the lower starts further left.
    const auto upper = [](double h) { return Box{0.3, 0.5 - h / 2, 0.5, h}; };
    const auto lower = [](double h, double apart = 0.0143) { return Box{0.1, 0.5 - apart - h / 2, 0.5, h}; };
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

// Which runs get merged first only shows on intransitive input, where no
// property pins the result. The orders come from a separate, literal
// transcription of the procedure; the block pages make the collapse rule's
// four-run test and its X == Z choice decide one each. "X == Y + Z" (where
// "<=" and "<" merge differently) and "dense 64" (the smallest page sorted by
// merging) were recorded from this sort, after a simulation of the run stack.
TEST(SortInReadingOrder, IntransitivePagesComeOutInRecordedOrder) {
    const struct {
        const char* name;
        std::vector<Box> boxes;
        std::uint64_t order;
    } cases[] = {
        {"dense 40", densePage(3, 40), 0xf65b2b423b84e603u},
        {"dense 64: just past plain insertion", densePage(4, 64), 0x109748aebb7ef56bu},
        {"dense 100", densePage(2, 100), 0xf7ad498b2239f6bfu},
        {"dense 3000", densePage(1, 3000), 0xac25dc814517103du},
        {"four-run rule", pageOfBlocks(7, {543, 365, 598, 245, 74, 270, 117, 42, 264}), 0x8a4e15d8285884d6u},
        {"X == Z", pageOfBlocks(7, {288, 266, 288, 66, 188, 216, 96}), 0x9867f8dd3390e38bu},
        {"X == Y + Z", pageOfBlocks(7, {196, 175, 246, 125, 197, 85}), 0x3590ab9b5baacc71u},
    };
    for (const auto& c : cases) EXPECT_EQ(sortedOrder(c.boxes), c.order) << c.name;
}

Observation line(double top, double left, std::optional<std::string> text) {
    return {Box{left, top - 0.02, 0.3, 0.02}, std::move(text)};
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
}

// Answers by image width: 1 Cyrillic and sure, 2 Cyrillic and unsure,
// 3 Greek, 4 fails, 5 Han, 7 Hebrew; any other width cannot be told.
const std::map<std::int64_t, DetectedScript> kScripts = {
    {1, {"Cyrillic", 2.0}}, {2, {"Cyrillic", 0.01}}, {3, {"Greek", 3.0}}, {5, {"Han", 1.5}}, {7, {"Hebrew", 9.0}}};
struct FakeDetector final : ScriptDetector {
    static inline int made = 0, asked = 0;
    FakeDetector() { ++made; }
    std::optional<DetectedScript> detectedScript(const PageImage& image) override {
        ++asked;
        if (image.width == 4) throw std::runtime_error("osd failed");
        const auto found = kScripts.find(image.width);
        return found == kScripts.end() ? std::nullopt : std::optional(found->second);
    }
};

// Reads one line, the name of its model, with a confidence of the image's
// height for Latin, 30 for Hebrew and 90 for the others. Hebrew finds its line
// elsewhere, so no Latin line can stand in for it.
struct ModelEngine final : LineRecognizer {
    explicit ModelEngine(std::string model) : model_(std::move(model)) {}
    std::vector<Observation> recognizedLines(const PageImage& image) override {
        const double confidence = model_ == "Latin" ? static_cast<double>(image.height) : model_ == "Hebrew" ? 30 : 90;
        return {{model_ == "Hebrew" ? Box{0.6, 0.2, 0.3, 0.02} : Box{0.1, 0.5, 0.3, 0.02}, model_, confidence}};
    }
    std::string model_;
};

TEST(ScriptedRecognizer, KeepsTrustedLatinElseReadsWithTheDetectedScript) {
    FakeDetector::made = FakeDetector::asked = 0;  // counted anew on each repeat of the test
    std::vector<std::string> enginesMade;
    const auto makeEngine = [&enginesMade](const std::string& model) -> std::unique_ptr<LineRecognizer> {
        enginesMade.push_back(model);
        if (model == "Greek") throw std::runtime_error("Greek.traineddata not installed");
        return std::make_unique<ModelEngine>(model);
    };
    ScriptedRecognizer recognizer([] { return std::make_unique<FakeDetector>(); }, makeEngine);
    const auto readAs = [](ScriptedRecognizer& r, std::int64_t width, std::int64_t latinConfidence) {
        return r.recognizedLines(PageImage{width, latinConfidence, 1, nullptr, nullptr}).at(0).candidate.value_or("");
    };
    EXPECT_EQ(readAs(recognizer, 1, 80), "Latin");
    EXPECT_EQ(FakeDetector::made + FakeDetector::asked, 0) << "a trusted Latin reading needs no detector";
    const std::pair<std::int64_t, std::string> pages[] = {{1, "Cyrillic"}, {2, "Latin"},    {3, "Latin"},
                                                          {4, "Latin"},    {5, "HanS"},     {6, "Latin"},
                                                          {7, "Latin"},    {1, "Cyrillic"}, {3, "Latin"}};
    for (const auto& [width, model] : pages) EXPECT_EQ(readAs(recognizer, width, 40), model) << width;
    EXPECT_EQ(readAs(recognizer, 1, 95), "Latin");
    EXPECT_EQ(enginesMade, (std::vector<std::string>{"Latin", "Cyrillic", "Greek", "HanS", "Hebrew"})) << "each once";
    EXPECT_EQ(FakeDetector::made, 1);
    // Without a detector, every page keeps its Latin reading.
    ScriptedRecognizer blind([]() -> std::unique_ptr<ScriptDetector> { throw std::runtime_error("no osd"); },
                             makeEngine);
    EXPECT_EQ(readAs(blind, 1, 10), "Latin");
}

}  // namespace
}  // namespace leggipdf
