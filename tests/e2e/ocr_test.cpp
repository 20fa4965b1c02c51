// The built binary on generated scans: recognition, the fallback decision,
// page numbering with gaps, rotated pages and bitmaps that cannot be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "extraction/normalized.h"
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

// Share of characters (code units) wrong: edit distance over the source's length.
double characterErrorRate(const std::string& text, const std::string& source) {
    std::vector<std::size_t> row(text.size() + 1);
    for (std::size_t j = 0; j <= text.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= source.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= text.size(); ++j) {
            const std::size_t substitution = diagonal + (source[i - 1] != text[j - 1]);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitution});
        }
    }
    return static_cast<double>(row[text.size()]) / static_cast<double>(std::max<std::size_t>(source.size(), 1));
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
        for (const auto& word : c.words)
            EXPECT_NE(result.pages[0].text.find(word), std::string::npos) << c.file << ": " << word;
        const std::string source = testing::fileText(testData(c.file.substr(0, c.file.size() - 4) + ".txt"));
        EXPECT_LE(characterErrorRate(result.pages[0].text, normalized(source)), 0.01) << c.file;
    }
}

// A page of running 10-pt text from a manual that Debian installs, scanned at
// 300 dpi into an image-only PDF of the same size: consecutive lines lie
// closer than the line tolerance, so a same-line test without the line height
// scrambles the paragraph.
TEST(Ocr, RealTenPointPageKeepsItsLineOrder) {
    const std::string manual = "/usr/share/doc/c++-annotations/cplusplus.pdf";
    const std::string image = ::testing::TempDir() + "/leggipdf-page40";
    const std::string scan = image + ".pdf";
    const auto tool = [](const std::string& program, const std::vector<std::string>& arguments) {
        const auto run = runTool(arguments, std::chrono::seconds(120), testing::Stdout::pipe, program);
        EXPECT_EQ(run.status, 0) << program << ": " << run.err;
        return run.out;
    };
    tool("/usr/bin/pdftoppm", {"-r", "300", "-f", "40", "-l", "40", "-gray", "-png", "-singlefile", manual, image});
    tool("/usr/bin/img2pdf", {"--pagesize", "595x842", "-o", scan, image + ".png"});
    const std::string reference = tool("/usr/bin/pdftotext", {"-f", "40", "-l", "40", "-enc", "UTF-8", manual, "-"});
    const auto run = runTool({scan});
    ASSERT_EQ(run.status, 0) << run.err;
    const ExtractionResult result = decoded(run.out);
    ASSERT_EQ(result.pages.size(), 1u);
    EXPECT_LE(characterErrorRate(result.pages[0].text, normalized(reference)), 0.03);
    std::remove(scan.c_str());
    std::remove((image + ".png").c_str());
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

#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer needs more address space than the limit leaves
TEST(Ocr, LargePageWithoutMemoryFailsCleanly) {
    // A 9,000 pt page (506 Mpx, under the cap) with a line drawn on it, run
    // with 1 GB of address space: Poppler cannot get its bitmap.
    const std::string content = "0 0 0 RG 10 w 100 100 m 8000 8000 l S";
    const std::string path = ::testing::TempDir() + "/leggipdf-9000pt.pdf";
    const std::string pdf =
        "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
        "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
        "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 9000 9000]/Contents 4 0 R>>endobj\n"
        "4 0 obj<</Length " +
        std::to_string(content.size()) + ">>stream\n" + content + "\nendstream endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(pdf.data(), 1, pdf.size(), file);
    std::fclose(file);
    const auto run = runTool({"-c", "ulimit -v 1000000; exec \"$0\" \"$1\"", LEGGIPDF_BINARY, path},
                             std::chrono::seconds(120), testing::Stdout::pipe, "/bin/sh");
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "rendering della pagina 1 non riuscito\n");
    std::remove(path.c_str());
}
#endif

}  // namespace
}  // namespace leggipdf
