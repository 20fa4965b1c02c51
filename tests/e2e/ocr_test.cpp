// The built binary on generated scans: recognition, the fallback decision,
// page numbering with gaps, rotated pages and bitmaps that cannot be made.
#include <gtest/gtest.h>

#include <sstream>

#include "model/json_form.h"
#include "tool.h"

namespace leggipdf {
namespace {

using testing::runTool;
using testing::testData;

ExtractionResult resultOf(const std::string& file) {
    const auto run = runTool({testData(file)});
    EXPECT_EQ(run.status, 0) << file << ": " << run.err;
    EXPECT_EQ(run.err, "") << file;
    return decoded(run.out);
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

// Share of the source's words that the page's text contains.
double wordsFound(const std::string& text, const std::string& source) {
    const std::vector<std::string> expected = wordsOf(source);
    std::size_t found = 0;
    for (const auto& word : expected) found += text.find(word) != std::string::npos;
    return expected.empty() ? 1.0 : static_cast<double>(found) / static_cast<double>(expected.size());
}

TEST(Ocr, ScannedPagesAreReadWithKnownWords) {
    const struct {
        std::string file;
        std::vector<std::string> words;
    } cases[] = {
        {"scan-italian.pdf", {"Verona", "Adige", "città", "Perché", "già", "Più", "Castelvecchio", "stagione"}},
        {"scan-english.pdf", {"Thames", "baker", "bread", "swans", "meadows", "library", "Fishermen"}},
        {"rotated-scan.pdf", {"landscape", "sideways", "ninety", "degrees", "harbour", "lighthouse"}},
        {"large-2400pt-scan.pdf", {"GRANDE", "PAGINA", "LEGGIBILE", "PROVA"}},
    };
    for (const auto& c : cases) {
        const ExtractionResult result = resultOf(c.file);
        ASSERT_EQ(result.pages.size(), 1u) << c.file;
        EXPECT_EQ(result.pages[0].page, 1) << c.file;
        EXPECT_TRUE(result.usedOCR) << c.file;
        for (const auto& word : c.words) EXPECT_NE(result.pages[0].text.find(word), std::string::npos) << c.file << ": " << word;
        const std::string source = testing::fileText(testData(c.file.substr(0, c.file.size() - 4) + ".txt"));
        EXPECT_GE(wordsFound(result.pages[0].text, source), 0.95) << c.file;
    }
}

TEST(Ocr, MixedDocumentLeavesAGapForTheEmptyPage) {
    const ExtractionResult result = resultOf("mixed.pdf");
    ASSERT_EQ(result.pages.size(), 2u);
    EXPECT_EQ(result.pages[0].page, 1);
    EXPECT_EQ(result.pages[0].text.rfind("Pagina con testo.", 0), 0u) << result.pages[0].text;
    EXPECT_EQ(result.pages[1].page, 3);
    for (const char* word : {"acquisita", "scanner", "fiume", "documento"})
        EXPECT_NE(result.pages[1].text.find(word), std::string::npos) << word;
    EXPECT_TRUE(result.usedOCR);
}

TEST(Ocr, PagesWithNothingToReadGiveNoEntry) {
    for (const char* file : {"blank.pdf", "whitespace-layer.pdf"}) {
        const auto run = runTool({testData(file)});
        EXPECT_EQ(run.status, 0) << file;
        EXPECT_EQ(run.out, "{\"pages\":[],\"usedOCR\":true}\n") << file;
        EXPECT_EQ(run.err, "") << file;
    }
}

TEST(Ocr, PageTooLargeForABitmapFailsQuickly) {
    const auto run = runTool({testData("huge-mediabox.pdf")}, std::chrono::seconds(20));
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "rendering della pagina 1 non riuscito\n");
}

}  // namespace
}  // namespace leggipdf
