// The built binary on scans: recognition, the fallback decision, page
// numbers with gaps, rotated pages, a real 10-pt page, and bitmaps that
// cannot be made.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "reference.h"
#include "tool.h"

namespace leggipdf {
namespace {

using testing::characterErrorRate;
using testing::oneLine;
using testing::runTool;
using testing::testData;

ExtractionResult resultOf(const std::string& path) {
    const auto run = runTool({path});
    EXPECT_EQ(run.status, 0) << path << ": " << run.err;
    EXPECT_EQ(run.err, "") << path;
    return testing::decoded(run.out);
}

TEST(Ocr, ScannedPagesAreReadWithKnownWords) {
    const struct {
        std::string file;
        std::vector<std::string> words;
    } cases[] = {
        {"scan-italian", {"Verona", "Adige", "città", "Perché", "già", "Più", "Castelvecchio"}},
        {"scan-english", {"Thames", "baker", "bread", "swans", "meadows", "library", "Fishermen"}},
        {"rotated-scan", {"landscape", "sideways", "ninety", "degrees", "harbour", "lighthouse"}},
        {"large-2400pt-scan", {"GRANDE", "PAGINA", "LEGGIBILE", "PROVA"}},
    };
    for (const auto& c : cases) {
        const ExtractionResult result = resultOf(testData(c.file + ".pdf"));
        ASSERT_EQ(result.pages.size(), 1u) << c.file;
        EXPECT_EQ(result.pages[0].page, 1) << c.file;
        EXPECT_TRUE(result.usedOCR) << c.file;
        for (const auto& word : c.words)
            EXPECT_NE(result.pages[0].text.find(word), std::string::npos) << c.file << ": " << word;
        const std::string source = oneLine(testing::fileText(testData(c.file + ".txt")));
        EXPECT_LE(characterErrorRate(result.pages[0].text, source), 0.01) << c.file;
    }
}

// A page of running 10-pt text from a manual that Debian installs, scanned at
// 300 dpi into an image-only PDF of the same size: consecutive lines lie
// closer than the line tolerance, and a same-line test that ignores the line
// height scrambles the paragraphs.
TEST(Ocr, RealTenPointPageKeepsItsLineOrder) {
    const std::string manual = "/usr/share/doc/c++-annotations/cplusplus.pdf", image = ::testing::TempDir() + "/p40";
    testing::outputOf("/usr/bin/pdftoppm",
                      {"-r", "300", "-f", "40", "-l", "40", "-gray", "-png", "-singlefile", manual, image});
    testing::outputOf("/usr/bin/img2pdf", {"--pagesize", "595x842", "-o", image + ".pdf", image + ".png"});
    const std::string reference =
        testing::outputOf("/usr/bin/pdftotext", {"-f", "40", "-l", "40", "-enc", "UTF-8", manual, "-"});
    const ExtractionResult result = resultOf(image + ".pdf");
    ASSERT_EQ(result.pages.size(), 1u);
    EXPECT_LE(characterErrorRate(result.pages[0].text, oneLine(reference)), 0.03);
    std::remove((image + ".pdf").c_str());
    std::remove((image + ".png").c_str());
}

TEST(Ocr, PagesWithNothingToReadLeaveGaps) {
    const ExtractionResult mixed = resultOf(testData("mixed.pdf"));
    ASSERT_EQ(mixed.pages.size(), 2u);
    EXPECT_EQ(mixed.pages[0].page, 1);
    EXPECT_EQ(mixed.pages[0].text.rfind("Pagina con testo.", 0), 0u) << mixed.pages[0].text;
    EXPECT_EQ(mixed.pages[1].page, 3);
    EXPECT_NE(mixed.pages[1].text.find("scanner"), std::string::npos) << mixed.pages[1].text;
    EXPECT_TRUE(mixed.usedOCR);
    for (const char* file : {"blank.pdf", "whitespace-layer.pdf"}) {
        const auto run = runTool({testData(file)});
        EXPECT_EQ(run.out, "{\"pages\":[],\"usedOCR\":true}\n") << file;
    }
}

// A module from another build beside the binary is refused before it is called.
TEST(Ocr, StaleModuleIsRefusedWithTheReason) {
    std::filesystem::create_directories(::testing::TempDir() + "/stale");
    const auto folder = std::filesystem::canonical(::testing::TempDir() + "/stale"), binary = folder / "leggipdf";
    std::filesystem::copy_file(LEGGIPDF_BINARY, binary, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(folder / "leggipdf-ocr.so");
    std::filesystem::create_symlink("/usr/lib/x86_64-linux-gnu/libz.so.1", folder / "leggipdf-ocr.so");
    const auto run = runTool({testData("scan-english.pdf")}, std::chrono::seconds(60), testing::Stdout::captured,
                             binary.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("OCR della pagina 1 non riuscito: the OCR module " + (folder / "leggipdf-ocr.so").string() +
                                " has version none, expected ",
                            0),
              0u)
        << run.err;
    std::filesystem::remove_all(folder);
}

// A page too large for any bitmap, and a 9,000 pt page (506 Mpx, under the
// cap) run with 1 GB of address space, where Poppler cannot get its bitmap.
TEST(Ocr, PageWithoutABitmapFailsCleanly) {
    const std::string content = "0 0 0 RG 10 w 100 100 m 8000 8000 l S", path = ::testing::TempDir() + "/9000pt.pdf";
    std::ofstream(path) << "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                           "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
                           "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 9000 9000]/Contents 4 0 R>>endobj\n"
                        << "4 0 obj<</Length " << content.size() << ">>stream\n"
                        << content << "\nendstream endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";
    std::vector<std::vector<std::string>> cases = {{testData("huge-mediabox.pdf")}};
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer needs more address space than the limit leaves
    cases.push_back({"-c", "ulimit -v 1000000; exec \"$0\" \"$1\"", LEGGIPDF_BINARY, path});
#endif
    for (const auto& arguments : cases) {
        const auto run = runTool(arguments, std::chrono::seconds(60), testing::Stdout::captured,
                                 arguments.size() == 1 ? LEGGIPDF_BINARY : "/bin/sh");
        EXPECT_EQ(run.status, 1) << arguments.back();
        EXPECT_EQ(run.out, "") << arguments.back();
        EXPECT_EQ(run.err, "rendering della pagina 1 non riuscito\n") << arguments.back();
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace leggipdf
