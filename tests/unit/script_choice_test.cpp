// The choice of a page's script model and of its way up, on fakes of the
// engines and the detector.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "module_logic/scripted_recognizer.h"

namespace leggipdf {
namespace {

// The script choice, on fakes. A page is an image of kFakeRows rows, every
// other one inked, whose width less two names its case in the table below;
// an inked row ends in a mark (1) that comes first once the page is turned
// upright by a half.
struct ScriptCase {
    const char* name;
    // The Latin reading: a long line over the top half and a short one over
    // the bottom half, as the page lies and turned by a half.
    double top, bottom, uprightTop, uprightBottom;
    std::optional<DetectedScript> detected, detectedUpright;
    const char* scriptText;  // what a script's model reads besides its name
    const char* read;        // the page's text
};
constexpr double kSure = 95, kUnsure = 40, kUnread = 10, kFair = 60;
const DetectedScript kCyrillic{"Cyrillic", 2.0}, kKorean{"Korean", 0.08}, kUnsureScript{"Greek", 0.01},
    kTurnedAsCyrillic{"Cyrillic", 0.8, PageTurn::half, 20.0}, kUnsureTurn{"Cyrillic", 2.0, PageTurn::half, 2.0},
    kHebrew{"Hebrew", 9.0}, kMissingModel{"Klingon", 5.0}, kDetectionFails{"(fails)", 5.0};
const ScriptCase kScriptCases[] = {
    {"trusted Latin", kSure, kFair, kUnread, kUnread, kCyrillic, {}, "Москва", "Latin x"},
    {"trusted, half unread: a script hides", kSure, kUnread, 0, 0, kCyrillic, {}, "Москва", "Cyrillic+Latin Москва"},
    {"untrusted, detected", kUnsure, kUnsure, 0, 0, kKorean, {}, "서울", "Hangul+Latin 서울"},
    {"a detection too unsure", kUnsure, kUnsure, 0, 0, kUnsureScript, {}, "Αθήνα", "Latin x"},
    {"the script's reading holds no script: a Latin page", kUnsure, kUnsure, 0, 0, kCyrillic, {}, "", "Latin x"},
    {"no detection", kUnsure, kFair, 0, 0, {}, {}, "", "Latin x"},
    {"no model for the script", kUnsure, kFair, 0, 0, kMissingModel, {}, "", "Latin x"},
    {"the detection fails", kUnsure, kFair, 0, 0, kDetectionFails, {}, "", "Latin x"},
    {"turned: read Latin first once upright", kUnread, kUnread, kSure, kSure, kTurnedAsCyrillic, kCyrillic, "Москва",
     "Latin upright x upright"},
    {"turned: the script found upright", kUnread, kUnread, kUnsure, kUnsure, kTurnedAsCyrillic, kHebrew, "שלום",
     "Hebrew+Latin upright שלום"},
    {"unsure of the turn: read as it lies", kFair, kFair, kSure, kSure, kUnsureTurn, {}, "", "Latin x"},
    {"unreadable, unsure turn: turned", kUnread, kUnread, kFair, kFair, kUnsureTurn, {}, "", "Latin upright x upright"},
    {"unreadable either way: the better Latin way up", kUnread, kUnread, 0, 0, {}, {}, "", "Latin x"},
};
constexpr std::int64_t kFakeRows = 41;  // odd: the first and last rows are inked
// A page turned by a quarter has another width, and no case.
const ScriptCase& scriptCase(const PageImage& page) {
    const auto index = static_cast<std::size_t>(page.width - 2);
    if (index >= std::size(kScriptCases)) throw std::out_of_range("no case for a page turned by a quarter");
    return kScriptCases[index];
}
bool upright(const PageImage& page) { return page.at(0, 0) == 1; }

struct FakeDetector final : ScriptDetector {
    static inline int made = 0, asked = 0;
    static inline bool sawTrustedLines = false;
    FakeDetector() { ++made; }
    std::optional<DetectedScript> detectedScript(const PageImage& page) override {
        ++asked;
        sawTrustedLines = page.at(page.width - 1, 0) != 0xFF;  // the top line's ink
        const ScriptCase& c = scriptCase(page);
        if (c.detected && c.detected->name == kDetectionFails.name) throw std::runtime_error("osd failed");
        return upright(page) ? c.detectedUpright : c.detected;
    }
};

// The Latin model reads the case's two lines, and a line alone (a row) as
// the top one; another model one line, its name and the case's script text,
// less confident than a trusted Latin reading.
struct ModelEngine final : LineRecognizer {
    static inline int wholeLatinReadings = 0;
    explicit ModelEngine(std::string model) : model_(std::move(model)) {}
    std::vector<Observation> recognizedLines(const PageImage& page) override {
        const ScriptCase& c = scriptCase(page);
        const std::string suffix = upright(page) ? " upright" : "";
        if (model_ != kFallbackModel) return {{{0, 0, 1, 1}, model_ + suffix + " " + c.scriptText, kFair}};
        const double top = upright(page) ? c.uprightTop : c.top;
        if (page.height < kFakeRows) return {{{0, 0, 1, 1}, "Latin", top}};
        ++wholeLatinReadings;
        return {{{0, 0.5, 1, 0.5}, "Latin" + suffix, top},
                {{0, 0, 1, 0.5}, "x" + suffix, upright(page) ? c.uprightBottom : c.bottom}};
    }
    std::string model_;
};

std::string joinedLines(const std::vector<Observation>& lines) {
    std::string text;
    for (const auto& line : lines) text.append(text.empty() ? 0 : 1, ' ').append(line.candidate.value_or(""));
    return text;
}

TEST(ScriptedRecognizer, ReadsLatinFirstAndTheScriptTheDetectorFindsWhereLatinFails) {
    FakeDetector::made = FakeDetector::asked = 0;  // counted anew on each repeat of the test
    std::vector<std::string> enginesMade;
    const auto makeEngine = [&enginesMade](const std::string& model) -> std::unique_ptr<LineRecognizer> {
        enginesMade.push_back(model);
        if (model.starts_with("Klingon")) throw std::runtime_error("Klingon.traineddata not installed");
        return std::make_unique<ModelEngine>(model);
    };
    ScriptedRecognizer recognizer([] { return std::make_unique<FakeDetector>(); }, makeEngine);
    const auto read = [](ScriptedRecognizer& r, std::size_t index) {
        const auto width = static_cast<std::int64_t>(index) + 2;
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * kFakeRows), 0xFF);
        for (std::int64_t y = 0; y < kFakeRows; y += 2) {
            std::fill_n(pixels.begin() + y * width, width - 1, 0);
            pixels[static_cast<std::size_t>(y * width + width - 1)] = 1;
        }
        return joinedLines(r.recognizedLines(PageImage{width, kFakeRows, width, pixels.data(), nullptr}));
    };
    EXPECT_EQ(read(recognizer, 0), kScriptCases[0].read);
    EXPECT_EQ(FakeDetector::made + FakeDetector::asked, 0) << "a trusted Latin reading needs no detector";
    for (std::size_t i = 0; i < std::size(kScriptCases); ++i) {
        const int wholeLatin = ModelEngine::wholeLatinReadings;
        EXPECT_EQ(read(recognizer, i), kScriptCases[i].read) << kScriptCases[i].name;
        EXPECT_TRUE(i != 1 || !FakeDetector::sawTrustedLines) << "the detector sees what Latin could not read";
        EXPECT_TRUE(i != 2 || ModelEngine::wholeLatinReadings == wholeLatin) << "untrusted lines go to the script";
    }
    EXPECT_EQ(enginesMade,
              (std::vector<std::string>{"Latin", "Cyrillic+Latin", "Hangul+Latin", "Klingon+Latin", "Hebrew+Latin"}))
        << "each once, with Latin";
    EXPECT_EQ(FakeDetector::made, 1);
    // Without a detector, every page keeps its Latin reading.
    ScriptedRecognizer blind([]() -> std::unique_ptr<ScriptDetector> { throw std::runtime_error("no osd"); },
                             makeEngine);
    EXPECT_EQ(read(blind, 2), "Latin x");
}

}  // namespace
}  // namespace leggipdf
