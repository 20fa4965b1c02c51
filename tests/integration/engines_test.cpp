// The adapters over the real libraries, on real files: Poppler's rendering
// and Tesseract's recognition.
#include <gtest/gtest.h>

#include "image/page_size.h"
#include "module_logic/page_turn.h"
#include "module_tesseract/tesseract_recognizer.h"
#include "module_tesseract/tesseract_script_detector.h"
#include "ocr/text_in_reading_order.h"
#include "pdf/poppler_document.h"
#include "support.h"

namespace leggipdf {
namespace {

using testing::corpusPdf;
using testing::testData;

std::optional<PageImage> rendered(const std::string& path, std::int64_t index = 0) {
    return openedPopplerDocument(path)->page(index)->renderedImage();
}

// The first and last rows that hold a dark pixel; {-1, -1} for none.
std::pair<std::int64_t, std::int64_t> inkedRows(const PageImage& image) {
    std::pair<std::int64_t, std::int64_t> rows{-1, -1};
    for (std::int64_t y = 0; y < image.height; ++y)
        for (std::int64_t x = 0; x < image.width; ++x)
            if (image.at(x, y) < 128) rows = {rows.first < 0 ? y : rows.first, y};
    return rows;
}

// Where the ink lies pins the y flip, the rotation and the crop offsets; the
// rows were read off `pdftoppm -r 180` of the same pages, give or take the
// few rows by which one set of standard fonts differs from another.
TEST(PopplerRendering, SizedFromTheMediaBoxDrawnUprightOverWhite) {
    const struct {
        std::string path;
        std::int64_t index, width, height, firstInk, lastInk;
    } cases[] = {
        {testData("text-three-pages.pdf"), 0, 1488, 2104, 155, 265},            // 595.28 x 841.89
        {testData("rotated-scan.pdf"), 0, 2104, 1488, 226, 357},                // /Rotate 90: drawn upright
        {testData("blank.pdf"), 0, 1488, 2104, -1, -1},                         // nothing drawn: all white
        {corpusPdf("mediabox-nonzero-origin.pdf"), 0, 907, 644, 319, 343},      // 362.84 x 257.96 off the origin
        {corpusPdf("cropbox-hides-lower-half.pdf"), 0, 1488, 2104, 218, 1051},  // the lower half is hidden: white
        {corpusPdf("mediabox-tiny-3pt-10p.pdf"), 3, 7, 7, 2, 5},
    };
    for (const auto& c : cases) {
        const std::optional<PageImage> image = rendered(c.path, c.index);
        ASSERT_TRUE(image) << c.path;
        EXPECT_EQ(std::pair(image->width, image->height), std::pair(c.width, c.height)) << c.path;
        const auto [first, last] = inkedRows(*image);
        EXPECT_LE(std::abs(first - c.firstInk), 6) << c.path << ": first inked row " << first;
        EXPECT_LE(std::abs(last - c.lastInk), 6) << c.path << ": last inked row " << last;
    }
}

TEST(TesseractRecognizer, ReadsLinesWithBoxesFromTheBottomLeft) {
    TesseractRecognizer recognizer("Latin", {kRenderDotsPerInch});
    const PageImage english = *rendered(testData("scan-english.pdf"));
    const std::vector<Observation> lines = recognizer.recognizedLines(english);
    ASSERT_GE(lines.size(), 8u);
    // The last line's box ends where the page's ink does.
    const double inkEnd =
        1.0 - static_cast<double>(inkedRows(english).second + 1) / static_cast<double>(english.height);
    EXPECT_NEAR(lines.back().boundingBox.y, inkEnd, 0.002);
    for (const auto& [b, text, confidence] : lines)
        EXPECT_TRUE(b.x >= 0 && b.y >= 0 && b.x + b.width <= 1 && b.y + b.height <= 1) << b.x << "," << b.y;
    EXPECT_NE(lines.front().candidate.value_or("").find("Thames"), std::string::npos);
    EXPECT_TRUE(recognizer.recognizedLines(*rendered(testData("blank.pdf"))).empty());
    // A model that is not installed throws, and its caller reads on in Latin.
    EXPECT_THROW(TesseractRecognizer("Klingon", {kRenderDotsPerInch}), std::runtime_error);
    // Worker processes read each page with a copy of the engine as it stood
    // after the pages before: a page must read the same as on a fresh engine.
    const PageImage italian = *rendered(testData("scan-italian.pdf"));
    EXPECT_EQ(textInReadingOrder(recognizer.recognizedLines(italian)),
              textInReadingOrder(TesseractRecognizer("Latin", {kRenderDotsPerInch}).recognizedLines(italian)));
}

// The engine copes with sideways text by itself, so only the detector's own
// answer shows a turn misread.
TEST(TesseractScriptDetector, ReadsHowFarAPageIsTurned) {
    TesseractScriptDetector detector({kRenderDotsPerInch});
    const PageImage page = *rendered(testData("scan-english.pdf"));
    for (const int quarters : {0, 1, 2, 3}) {
        // Turned back by `quarters` from upright: turned by the rest of a whole turn.
        const std::optional<DetectedScript> detected = detector.detectedScript(uprightImage(page, PageTurn(quarters)));
        EXPECT_TRUE(detected && detected->turn == PageTurn((4 - quarters) % 4))
            << quarters << " read as " << (detected ? static_cast<int>(detected->turn) : -1);
    }
}

}  // namespace
}  // namespace leggipdf
