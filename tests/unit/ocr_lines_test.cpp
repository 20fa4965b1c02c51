#include <gtest/gtest.h>

#include <stdexcept>

#include "ocr/line_recognizer.h"
#include "ocr/recognizer_loader.h"

namespace leggipdf {
namespace {

Observation line(double top, double left, std::optional<std::string> text) {
    return {Box{left, top - 0.02, 0.3, 0.02}, std::move(text)};
}

TEST(TextInReadingOrder, JoinsInReadingOrderAndNormalises) {
    const struct {
        std::vector<Observation> observations;
        std::string expected;
    } cases[] = {
        {{}, ""},
        {{line(0.5, 0.1, "of 3\nMarch"), line(0.9, 0.1, " Invoice  no. 12")}, "Invoice no. 12 of 3 March"},
        {{line(0.9, 0.6, "destra"), line(0.9, 0.1, "sinistra"), line(0.5, 0.1, "sotto")}, "sinistra destra sotto"},
        {{line(0.9, 0.1, ""), line(0.8, 0.1, std::nullopt), line(0.7, 0.1, "solo"), line(0.6, 0.1, "  ")}, "solo"},
    };
    for (const auto& c : cases) EXPECT_EQ(textInReadingOrder(c.observations), c.expected) << c.expected;
}

// Counts the engines made; fails on demand.
struct CountingEngine final : LineRecognizer {
    static inline int made = 0;
    static inline bool fail = false;
    std::vector<Observation> recognizedLines(const PageImage&) override {
        if (fail) throw std::runtime_error("tesseract: Recognize failed");
        return {line(0.2, 0.1, "giù"), line(0.8, 0.1, "su")};
    }
};

TEST(LazyRecognizer, MakesTheEngineOnceOnTheFirstPageWithInk) {
    LazyRecognizer recognizer([]() -> std::unique_ptr<LineRecognizer> {
        ++CountingEngine::made;
        return std::make_unique<CountingEngine>();
    });
    const std::uint8_t white[] = {255, 255, 255, 255, 255, 255}, inked[] = {255, 255, 255, 255, 254, 255};
    const auto image = [](const std::uint8_t* pixels) { return PageImage{2, 2, 3, pixels, nullptr}; };
    EXPECT_EQ(recognizer.recognizedText(image(white)), "");
    EXPECT_EQ(CountingEngine::made, 0) << "nothing is loaded before a page with ink needs it";
    EXPECT_EQ(recognizer.recognizedText(image(inked)), "su giù");
    EXPECT_EQ(recognizer.recognizedText(image(inked)), "su giù");
    EXPECT_EQ(CountingEngine::made, 1);
    CountingEngine::fail = true;
    EXPECT_THROW(recognizer.recognizedText(image(inked)), std::runtime_error);
}

}  // namespace
}  // namespace leggipdf
