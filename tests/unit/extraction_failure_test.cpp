#include "model/extraction_failure.h"

#include <gtest/gtest.h>

namespace leggipdf {
namespace {

TEST(ExtractionFailure, TextsAreBuiltFromTheirPieces) {
    const struct {
        ExtractionFailure failure;
        std::string expected;
    } cases[] = {
        {ExtractionFailure::renderingFailed(12), "rendering della pagina 12 non riuscito"},
        {ExtractionFailure::renderingFailed(1000000), "rendering della pagina 1000000 non riuscito"},
        {ExtractionFailure::recognitionFailed(7, ""), "OCR della pagina 7 non riuscito: "},
        {ExtractionFailure::recognitionFailed(10, "riga uno\nriga due"),
         "OCR della pagina 10 non riuscito: riga uno\nriga due"},
        {ExtractionFailure::invalidArguments(), "percorso PDF mancante"},
        {ExtractionFailure::unreadablePDF(), "PDF non leggibile"},
        {ExtractionFailure::outputFailed(), "scrittura del risultato non riuscita"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.failure.description(), c.expected);
        EXPECT_STREQ(c.failure.what(), c.expected.c_str());
    }
    EXPECT_EQ(ExtractionFailure::renderingFailed(12).description().size(), 38u);
    EXPECT_EQ(ExtractionFailure::recognitionFailed(7, "").description().size(), 33u);
}

}  // namespace
}  // namespace leggipdf
