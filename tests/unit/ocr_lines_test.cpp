#include <gtest/gtest.h>

#include <stdexcept>

#include "ocr/recognizer_loader.h"

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

}  // namespace
}  // namespace leggipdf
