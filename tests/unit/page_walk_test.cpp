#include <gtest/gtest.h>

#include "extraction/extract.h"
#include "fakes.h"
#include "model/extraction_failure.h"

namespace leggipdf {
namespace {

using testing::FakeDocument;
using testing::FakePageContent;
using testing::FakeRecognizer;

TEST(PageWalk, TakesLayersRecognisesEmptyOnesAndLeavesGaps) {
    FakeDocument document({FakePageContent{" prima\n pagina "}, FakePageContent{" \t\r\n", 2}, std::nullopt,
                           FakePageContent{"", 4}, FakePageContent{"", 5}, FakePageContent{"."}});
    FakeRecognizer recognizer;
    recognizer.texts = {{2, "seconda"}, {4, "quarta"}};
    const ExtractionResult expected{{{1, "prima pagina"}, {2, "seconda"}, {4, "quarta"}, {6, "."}}, true};
    EXPECT_EQ(extract(document, recognizer), expected);
    EXPECT_EQ(recognizer.seen, (std::vector<std::int64_t>{2, 4, 5}));
    EXPECT_EQ(document.fetched, (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(document.maxLivePages, 1);
}

TEST(PageWalk, StopsAtTheFirstFailureWithItsPageNumber) {
    const struct {
        std::vector<std::optional<FakePageContent>> pages;
        std::string expected;
    } cases[] = {
        {{FakePageContent{"uno"}, FakePageContent{"", 3}, FakePageContent{"", -1}},
         "OCR della pagina 2 non riuscito: engine error 3"},
        {{FakePageContent{"uno"}, std::nullopt, FakePageContent{"", -1}, FakePageContent{"", 3}},
         "rendering della pagina 3 non riuscito"},
    };
    for (const auto& c : cases) {
        FakeDocument document(c.pages);
        FakeRecognizer recognizer;
        recognizer.failing = 3;
        try {
            extract(document, recognizer);
            ADD_FAILURE() << "no failure: " << c.expected;
        } catch (const ExtractionFailure& failure) {
            EXPECT_EQ(failure.description(), c.expected);
        }
        EXPECT_EQ(document.fetched.size(), c.pages.size() - 1) << c.expected;
        EXPECT_EQ(document.livePages, 0) << c.expected;
    }
}

}  // namespace
}  // namespace leggipdf
