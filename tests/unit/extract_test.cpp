#include "extraction/extract.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace leggipdf {
namespace {

using testing::FakeDocument;
using testing::FakePageContent;
using testing::FakeRecognizer;

TEST(Extract, TakesTextLayersAndRecognisesOnlyEmptyOnes) {
    FakeDocument document({FakePageContent{" prima\n pagina "}, FakePageContent{" \t\r\n", 2}, FakePageContent{"", 3},
                           FakePageContent{".", 4}});
    FakeRecognizer recognizer;
    recognizer.texts = {{2, "seconda"}, {3, "terza"}};
    const ExtractionResult result = extract(document, recognizer);
    const ExtractionResult expected{{{1, "prima pagina"}, {2, "seconda"}, {3, "terza"}, {4, "."}}, true};
    EXPECT_EQ(result, expected);
    EXPECT_EQ(document.log.rendered, (std::vector<std::int64_t>{2, 3}));
    EXPECT_EQ(document.log.maxLivePages, 1);
}

TEST(Extract, EmptyRecognitionLeavesAGapButSetsUsedOCR) {
    FakeDocument document({FakePageContent{"uno"}, FakePageContent{"", 2}, FakePageContent{"tre"}});
    FakeRecognizer recognizer;
    const ExtractionResult expected{{{1, "uno"}, {3, "tre"}}, true};
    EXPECT_EQ(extract(document, recognizer), expected);
}

TEST(Extract, MissingPageIsSkippedSilently) {
    FakeDocument document({FakePageContent{"uno"}, std::nullopt, FakePageContent{"tre"}});
    FakeRecognizer recognizer;
    const ExtractionResult expected{{{1, "uno"}, {3, "tre"}}, false};
    EXPECT_EQ(extract(document, recognizer), expected);
    EXPECT_EQ(document.log.fetched, (std::vector<std::int64_t>{0, 1, 2}));
    EXPECT_TRUE(recognizer.seen.empty());
}

TEST(Extract, NoPagesGivesEmptyResult) {
    FakeDocument document({});
    FakeRecognizer recognizer;
    EXPECT_EQ(extract(document, recognizer), (ExtractionResult{{}, false}));
}

TEST(Extract, RecognitionFailureCarriesPageNumberAndDetail) {
    FakeDocument document(
        {FakePageContent{"uno"}, FakePageContent{"due"}, FakePageContent{"", 3}, FakePageContent{"", 4}});
    FakeRecognizer recognizer;
    recognizer.failing = {3};
    try {
        extract(document, recognizer);
        FAIL() << "expected a failure";
    } catch (const ExtractionFailure& failure) {
        EXPECT_EQ(failure.description(), "OCR della pagina 3 non riuscito: engine error for image 3");
    }
    EXPECT_EQ(document.log.fetched.size(), 3u) << "the walk must stop at the failing page";
    EXPECT_EQ(document.log.livePages, 0);
}

TEST(Extract, RenderingFailurePassesThroughUnchanged) {
    FakeDocument document({FakePageContent{"uno"}, std::nullopt, FakePageContent{"", 3}, FakePageContent{""},
                           FakePageContent{"", 5, true}});
    FakeRecognizer recognizer;
    try {
        extract(document, recognizer);
        FAIL() << "expected a failure";
    } catch (const ExtractionFailure& failure) {
        EXPECT_EQ(failure.kind(), ExtractionFailure::Kind::renderingFailed);
        EXPECT_EQ(failure.pageNumber(), 5);
    }
    EXPECT_EQ(recognizer.seen, (std::vector<int>{3, 0}));
}

}  // namespace
}  // namespace leggipdf
