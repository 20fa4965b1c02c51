#include <gtest/gtest.h>

#include <stdexcept>

#include "ocr/line_recognizer.h"
#include "ocr/recognizer_loader.h"

namespace leggipdf {
namespace {

Observation line(double top, double left, std::optional<std::string> text) {
    return {Box{left, top - 0.02, 0.3, 0.02}, std::move(text)};
}

TEST(RecognizedText, JoinsInReadingOrderAndNormalises) {
    const struct {
        std::vector<Observation> observations;
        std::string expected;
    } cases[] = {
        {{}, ""},
        {{line(0.9, 0.1, "Total:   45.00")}, "Total: 45.00"},
        {{line(0.5, 0.1, "of 3 March"), line(0.9, 0.1, "Invoice  no. 12")}, "Invoice no. 12 of 3 March"},
        {{line(0.9, 0.6, "destra"), line(0.9, 0.1, "sinistra"), line(0.5, 0.1, "sotto")}, "sinistra destra sotto"},
        {{line(0.9, 0.1, ""), line(0.8, 0.1, "  \n "), line(0.7, 0.1, "solo"), line(0.6, 0.1, std::nullopt)}, "solo"},
        {{line(0.3, 0.1, std::nullopt), line(0.2, 0.1, std::nullopt)}, ""},
        {{line(0.5, 0.1, "a\n"), line(0.9, 0.1, "b\n")}, "b a"},
    };
    for (const auto& c : cases) EXPECT_EQ(recognizedText(c.observations), c.expected) << c.expected;
}

// Counts the engines it makes and serves the lines it is given.
struct CountingEngine final : LineRecognizer {
    static inline int made = 0;
    static inline bool fail = false;
    std::vector<Observation> recognizedLines(const PageImage&) override {
        if (fail) throw std::runtime_error("tesseract: Recognize failed");
        return {line(0.2, 0.1, "giù"), line(0.8, 0.1, "su")};
    }
};

TEST(LazyRecognizer, MakesTheEngineOnceAndOrdersItsLines) {
    CountingEngine::made = 0;
    CountingEngine::fail = false;
    LazyRecognizer recognizer([]() -> std::unique_ptr<LineRecognizer> {
        ++CountingEngine::made;
        return std::make_unique<CountingEngine>();
    });
    const std::uint8_t white[] = {255, 255, 255, 255, 255, 255};
    const std::uint8_t inked[] = {255, 255, 255, 255, 254, 255};
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
