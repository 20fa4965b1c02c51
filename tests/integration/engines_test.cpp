// The adapters over the real libraries, on real files: Poppler's rendering
// and Tesseract's recognition.
#include <gtest/gtest.h>

#include "model/extraction_failure.h"
#include "ocr/recognizer_loader.h"
#include "pdf/poppler_document.h"
#include "tesseract/tesseract_recognizer.h"

namespace leggipdf {
namespace {

std::string data(const std::string& name) { return std::string(LEGGIPDF_TEST_DATA) + "/" + name; }
std::string corpus(const std::string& name) { return std::string(LEGGIPDF_CORPUS) + "/pdf/" + name; }

PageImage rendered(const std::string& path, std::int64_t index, std::int64_t pageNumber = 1) {
    const auto document = openedPopplerDocument(path);
    const auto page = document->page(index);
    if (!page) throw std::runtime_error("no page");
    return page->renderedImage(pageNumber);
}

TEST(PopplerRendering, BitmapSizeFollowsTheMediaBox) {
    const struct {
        std::string path;
        std::int64_t index, width, height;
    } cases[] = {
        {data("text-three-pages.pdf"), 0, 1488, 2104},            // 595.28 x 841.89
        {data("rotated-scan.pdf"), 0, 2104, 1488},                // /Rotate 90: drawn upright
        {corpus("mediabox-nonzero-origin.pdf"), 0, 907, 644},     // 362.84 x 257.96 off the origin
        {corpus("cropbox-hides-lower-half.pdf"), 0, 1488, 2104},  // crop box smaller than media box
        {corpus("mediabox-tiny-3pt-10p.pdf"), 3, 7, 7},
        {corpus("mediabox-2400dpi-tiny-page.pdf"), 0, 300, 214},  // 120 x 85.92
    };
    for (const auto& c : cases) {
        const PageImage image = rendered(c.path, c.index);
        EXPECT_EQ(image.width, c.width) << c.path;
        EXPECT_EQ(image.height, c.height) << c.path;
        EXPECT_GE(image.bytesPerRow, image.width) << c.path;
    }
}

TEST(PopplerRendering, UnpaintedAreasAreWhiteAndTextIsDark) {
    const PageImage blank = rendered(data("blank.pdf"), 0);
    for (std::int64_t y = 0; y < blank.height; y += 97)
        for (std::int64_t x = 0; x < blank.width; x += 89) ASSERT_EQ(blank.at(x, y), 255) << x << "," << y;

    const PageImage page = rendered(data("text-three-pages.pdf"), 0);
    EXPECT_EQ(page.at(0, 0), 255);
    EXPECT_EQ(page.at(page.width - 1, page.height - 1), 255);
    int dark = 0;
    for (std::int64_t y = 0; y < page.height / 4; ++y)
        for (std::int64_t x = 0; x < page.width; ++x) dark += page.at(x, y) < 128;
    EXPECT_GT(dark, 500) << "the first lines of text should be drawn near the top";
}

TEST(PopplerRendering, UnsafeBitmapFailsWithThePageNumberGiven) {
    try {
        rendered(data("huge-mediabox.pdf"), 0, 5);
        FAIL() << "a 9,000,000 pt page was rendered";
    } catch (const ExtractionFailure& failure) {
        EXPECT_EQ(failure.description(), "rendering della pagina 5 non riuscito");
    }
}

TEST(TesseractRecognizer, UnknownModelNamesTheModelAndTheCall) {
    try {
        TesseractRecognizer recognizer("NoSuchModelXyz");
        FAIL() << "a missing model was loaded";
    } catch (const std::exception& error) {
        const std::string detail = error.what();
        EXPECT_NE(detail.find("NoSuchModelXyz"), std::string::npos) << detail;
        EXPECT_NE(detail.find("Init"), std::string::npos) << detail;
    }
}

TEST(TesseractRecognizer, ReadsLinesWithNormalisedBoxes) {
    TesseractRecognizer recognizer;
    const std::vector<Observation> lines = recognizer.recognizedLines(rendered(data("scan-english.pdf"), 0));
    ASSERT_GE(lines.size(), 8u);
    for (const auto& line : lines) {
        EXPECT_GE(line.boundingBox.x, 0.0);
        EXPECT_LE(line.boundingBox.x + line.boundingBox.width, 1.0);
        EXPECT_GE(line.boundingBox.y, 0.0);
        EXPECT_LE(line.boundingBox.y + line.boundingBox.height, 1.0);
    }
    // The first line the engine reports is the top one: with y growing upward
    // its box lies above the last one's.
    EXPECT_GT(lines.front().boundingBox.y, lines.back().boundingBox.y);
    ASSERT_TRUE(lines.front().candidate.has_value());
    EXPECT_NE(lines.front().candidate->find("Thames"), std::string::npos) << *lines.front().candidate;

    const std::vector<Observation> none = recognizer.recognizedLines(rendered(data("blank.pdf"), 0));
    EXPECT_EQ(recognizedText(none), "");
}

}  // namespace
}  // namespace leggipdf
