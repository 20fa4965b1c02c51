#include <gtest/gtest.h>

#include <stdexcept>

#include "ocr/ideograph_spacing.h"
#include "ocr/recognizer_loader.h"
#include "ocr/scripted_recognizer.h"

namespace leggipdf {
namespace {

Observation line(double top, double left, std::optional<std::string> text) {
    return {Box{left, top - 0.02, 0.3, 0.02}, std::move(text)};
}

// Counts the engines made; serves lines in its own order, with a line that
// has no reading and one of blanks; fails on demand.
struct CountingEngine final : LineRecognizer {
    static inline int made = 0;
    static inline bool fail = false;
    std::vector<Observation> recognizedLines(const PageImage&) override {
        if (fail) throw std::runtime_error("tesseract: Recognize failed");
        return {line(0.2, 0.1, "giù\n"), line(0.8, 0.6, "destra"), line(0.5, 0.1, std::nullopt),
                line(0.8, 0.1, " su  e"), line(0.3, 0.1, " \t")};
    }
};

TEST(LazyRecognizer, MakesTheEngineOnceOnTheFirstPageWithInkAndOrdersItsLines) {
    LazyRecognizer recognizer([]() -> std::unique_ptr<LineRecognizer> {
        ++CountingEngine::made;
        return std::make_unique<CountingEngine>();
    });
    const std::uint8_t white[] = {255, 255, 255, 255, 255, 255}, inked[] = {255, 255, 255, 255, 254, 255};
    const auto image = [](const std::uint8_t* pixels) { return PageImage{2, 2, 3, pixels, nullptr}; };
    EXPECT_EQ(recognizer.recognizedText(image(white)), "");
    EXPECT_EQ(CountingEngine::made, 0) << "nothing is loaded before a page with ink needs it";
    EXPECT_EQ(recognizer.recognizedText(image(inked)), "su e destra giù");
    EXPECT_EQ(recognizer.recognizedText(image(inked)), "su e destra giù");
    EXPECT_EQ(CountingEngine::made, 1);
    CountingEngine::fail = true;
    EXPECT_THROW(recognizer.recognizedText(image(inked)), std::runtime_error);
}

// Answers by image width: 1 Cyrillic and sure, 2 Cyrillic and unsure,
// 3 Greek, 4 fails, 5 Han, 7 Hebrew; any other width cannot be told.
struct FakeDetector final : ScriptDetector {
    static inline int asked = 0;
    std::optional<DetectedScript> detectedScript(const PageImage& image) override {
        ++asked;
        switch (image.width) {
            case 1: return DetectedScript{"Cyrillic", 2.0};
            case 2: return DetectedScript{"Cyrillic", 0.01};
            case 3: return DetectedScript{"Greek", 3.0};
            case 4: throw std::runtime_error("osd failed");
            case 5: return DetectedScript{"Han", 1.5};
            case 7: return DetectedScript{"Hebrew", 9.0};
        }
        return std::nullopt;
    }
};

// Reads a first line as the name of its model, with a confidence of the
// image's height for Latin, 30 for Hebrew, 90 for the others; and a second
// line, in another place, which Latin reads at 85 and the others at 50.
struct ModelEngine final : LineRecognizer {
    explicit ModelEngine(std::string model) : model_(std::move(model)) {}
    std::vector<Observation> recognizedLines(const PageImage& image) override {
        const bool latin = model_ == "Latin";
        const double confidence = latin ? static_cast<double>(image.height) : model_ == "Hebrew" ? 30 : 90;
        // Hebrew finds its line elsewhere, so no Latin line can stand in for it.
        const Box first = model_ == "Hebrew" ? Box{0.6, 0.2, 0.3, 0.02} : Box{0.1, 0.5, 0.3, 0.02};
        return {{first, model_, confidence},
                {Box{0.1, 0.4, 0.3, 0.02}, model_ + " bis", latin ? 85.0 : 50.0}};
    }
    std::string model_;
};

TEST(ScriptedRecognizer, KeepsTrustedLatinElseReadsWithTheDetectedScript) {
    std::vector<std::string> made;
    int detectorsMade = 0;
    const auto makeEngine = [&made](const std::string& model) -> std::unique_ptr<LineRecognizer> {
        made.push_back(model);
        if (model == "Greek") throw std::runtime_error("Greek.traineddata not installed");
        return std::make_unique<ModelEngine>(model);
    };
    ScriptedRecognizer recognizer(
        [&detectorsMade] {
            ++detectorsMade;
            return std::make_unique<FakeDetector>();
        },
        makeEngine);
    const auto readAs = [](ScriptedRecognizer& r, std::int64_t width, std::int64_t latinConfidence) {
        return r.recognizedLines(PageImage{width, latinConfidence, 1, nullptr, nullptr}).at(0).candidate.value_or("");
    };
    EXPECT_EQ(readAs(recognizer, 1, 80), "Latin");
    EXPECT_EQ(detectorsMade + FakeDetector::asked, 0) << "a trusted Latin reading needs no detector";
    const std::pair<std::int64_t, std::string> pages[] = {{1, "Cyrillic"}, {2, "Latin"}, {3, "Latin"},    {4, "Latin"},
                                                          {5, "HanS"},     {6, "Latin"}, {7, "Latin"},    {1, "Cyrillic"},
                                                          {3, "Latin"}};
    for (const auto& [width, model] : pages) EXPECT_EQ(readAs(recognizer, width, 40), model) << width;
    EXPECT_EQ(readAs(recognizer, 1, 95), "Latin");
    // The more confident Latin line stands in its place on a page read as Cyrillic.
    EXPECT_EQ(recognizer.recognizedLines(PageImage{1, 10, 1, nullptr, nullptr}).at(1).candidate, "Latin bis");
    EXPECT_EQ(made, (std::vector<std::string>{"Latin", "Cyrillic", "Greek", "HanS", "Hebrew"})) << "each made once";
    EXPECT_EQ(detectorsMade, 1);
    // Without a detector, every page keeps its Latin reading.
    ScriptedRecognizer blind([]() -> std::unique_ptr<ScriptDetector> { throw std::runtime_error("no osd"); },
                             makeEngine);
    EXPECT_EQ(readAs(blind, 1, 10), "Latin");
}

TEST(WithoutSpacesBetweenIdeographs, DropsOnlySpacesWithCjkOnBothSides) {
    const std::pair<std::string, std::string> cases[] = {
        {"北京 是  首都。 「東京」", "北京是首都。「東京」"},
        {"東京 は 2024 年 Tokyo 駅", "東京は 2024 年 Tokyo 駅"},  // digits and Latin keep theirs
        {"한국어 문장 漢字", "한국어 문장 漢字"},                  // Korean writes spaces between words
        {" 𠀀 𠀁 ", " 𠀀𠀁 "},                                     // four-byte ideographs; ends stay
        {"北 \xff 京 ｶﾅ ｶﾅ", "北 \xff 京ｶﾅｶﾅ"},                   // a stray byte is no ideograph
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(withoutSpacesBetweenIdeographs(line), expected) << line;
}

}  // namespace
}  // namespace leggipdf
