// The built binary on scans: recognition in reading order, and a stale OCR
// module. Gaps and blank pages are pinned by the page walk's tests and the
// exact-bytes table.
#include <gtest/gtest.h>

#include <filesystem>

#include "support.h"

namespace leggipdf {
namespace {

using testing::oneLine;
using testing::outputOf;
using testing::testData;

ExtractionResult resultOf(const std::string& path) {
    const auto run = testing::runTool({path});
    EXPECT_EQ(run.status, 0) << path << ": " << run.err;
    EXPECT_EQ(run.err, "") << path;
    return testing::decoded(run.out);
}

// Generated scans against the text they were made from, turned and very large
// pages among them, and page 40 of a manual that Debian installs (running
// 10-pt text, whose lines lie closer than the line tolerance) scanned at
// 300 dpi into an image-only PDF of its size, against pdftotext's reading.
TEST(Ocr, ScansAreReadInReadingOrder) {
    const std::string manual = "/usr/share/doc/c++-annotations/cplusplus.pdf", image = ::testing::TempDir() + "p40";
    outputOf("/usr/bin/pdftoppm", {"-r", "300", "-f", "40", "-l", "40", "-gray", "-png", "-singlefile", manual, image});
    outputOf("/usr/bin/img2pdf", {"--pagesize", "595x842", "-o", image + ".pdf", image + ".png"});
    struct Case {
        std::string pdf, text;
        double bound;
    };
    std::vector<Case> cases = {
        {image + ".pdf", outputOf("/usr/bin/pdftotext", {"-f", "40", "-l", "40", "-enc", "UTF-8", manual, "-"}), 0.03}};
    for (const char* name : {"scan-italian", "scan-english", "rotated-scan", "large-2400pt-scan"})
        cases.push_back({testData(name) + ".pdf", testing::fileText(testData(name) + ".txt"), 0.01});
    for (const auto& c : cases) {
        const ExtractionResult result = resultOf(c.pdf);
        // Read within a time limit, in a child process, the page comes out the same.
        const auto bounded = testing::runTool({"LEGGIPDF_PAGE_TIMEOUT=300", LEGGIPDF_BINARY, c.pdf},
                                              std::chrono::seconds(300), testing::Stdout::captured, "/usr/bin/env");
        EXPECT_EQ(bounded.err, "") << c.pdf;
        EXPECT_EQ(testing::decoded(bounded.out), result) << c.pdf;
        ASSERT_EQ(result.pages.size(), 1u) << c.pdf;
        EXPECT_EQ(result.pages[0].page, 1) << c.pdf;
        EXPECT_TRUE(result.usedOCR) << c.pdf;
        EXPECT_LE(testing::characterErrorRate(result.pages[0].text, oneLine(c.text)), c.bound) << c.pdf;
    }
}

// Pages read at once in worker processes come out as read one after another.
TEST(Ocr, PagesReadInWorkersMatchOneProcess) {
    const std::string twoPages = testData("scan-two-pages.pdf");
    const auto alone = testing::runTool({twoPages});
    for (const char* jobs : {"LEGGIPDF_JOBS=2", "LEGGIPDF_JOBS=auto"}) {
        const auto run = testing::runTool({jobs, LEGGIPDF_BINARY, twoPages}, std::chrono::seconds(300),
                                          testing::Stdout::captured, "/usr/bin/env");
        EXPECT_EQ(run.status, alone.status) << jobs;
        EXPECT_EQ(run.out, alone.out) << jobs;
        EXPECT_EQ(run.err, alone.err) << jobs;
    }
    EXPECT_EQ(testing::decoded(alone.out).pages.size(), 2u);
}

// A module from another build beside the binary is refused before it is called.
TEST(Ocr, StaleModuleIsRefusedWithTheReason) {
    std::filesystem::create_directories(::testing::TempDir() + "stale");
    const auto folder = std::filesystem::canonical(::testing::TempDir() + "stale"), binary = folder / "leggipdf";
    std::filesystem::copy_file(LEGGIPDF_BINARY, binary, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(folder / "leggipdf-ocr.so");
    std::filesystem::create_symlink(LEGGIPDF_STALE_MODULE, folder / "leggipdf-ocr.so");
    const auto run =
        testing::runTool({testData("scan-english.pdf")}, std::chrono::seconds(60), testing::Stdout::captured, binary);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    const std::string reason = "the OCR module " + (folder / "leggipdf-ocr.so").string() + " has version 0.0+ocr0";
    EXPECT_EQ(run.err.rfind("OCR della pagina 1 non riuscito: " + reason + ", expected ", 0), 0u) << run.err;
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace leggipdf
