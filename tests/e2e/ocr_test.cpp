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

// Without spaces, for scripts that write none between words.
std::string unspaced(std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n'; });
    return text;
}

// A space with a multi-byte character on each side: on the Chinese and
// Japanese pages, a space between two of their characters.
bool spaceBetweenWideCharacters(const std::string& text) {
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == ' ' && (text[i - 1] & 0x80) && (text[i + 1] & 0x80)) return true;
    }
    return false;
}

// Scans in other writing systems are read with their script's model; a page
// too short to tell, and one whose model is missing, are read as Latin.
TEST(Ocr, ScansInOtherScriptsAreReadWithTheirModels) {
    const std::string latinOnly = ::testing::TempDir() + "latin-only-tessdata";
    std::filesystem::create_directories(latinOnly);
    for (const char* model : {"Latin.traineddata", "osd.traineddata"}) {
        std::filesystem::remove(latinOnly + "/" + model);
        std::filesystem::create_symlink(std::string("/usr/share/tesseract-ocr/5/tessdata/") + model,
                                        latinOnly + "/" + model);
    }
    const struct {
        std::string name, tessdata;
        double bound;  // character error rate; CJK pages compared without spaces
        std::vector<std::string> words;
    } cases[] = {
        {"script-russian", "", 0.02, {"Москва", "Кремлю"}},
        {"script-greek", "", 0.02, {"Αθήνα", "Παρθενώνας"}},
        {"script-italian", "", 0.01, {"fiume", "città"}},
        {"script-mixed", "", 0.02, {"Relazione annuale 2024", "Отчёт"}},
        {"script-arabic", "", 0.10, {"القاهرة", "النيل"}},
        {"script-chinese", "", 0.05, {"北京", "首都"}},
        {"script-japanese", "", 0.05, {"東京", "首都"}},
        {"script-two-words", "", 0.0, {"Buongiorno Roma"}},
        {"script-russian", latinOnly, 1.0, {}},
    };
    for (const auto& c : cases) {
        const auto run = testing::runTool({"TESSDATA_PREFIX=" + c.tessdata, LEGGIPDF_BINARY, testData(c.name + ".pdf")},
                                          std::chrono::seconds(120), testing::Stdout::captured, "/usr/bin/env");
        const std::string label = c.name + " " + c.tessdata;
        ASSERT_EQ(run.status, 0) << label << run.err;
        const ExtractionResult result = testing::decoded(run.out);
        ASSERT_EQ(result.pages.size(), 1u) << label;
        const std::string& text = result.pages[0].text;
        for (const auto& word : c.words) EXPECT_NE(text.find(word), std::string::npos) << label << ": " << word;
        const std::string reference = oneLine(testing::fileText(testData(c.name + ".txt")));
        const bool cjk = c.name == "script-chinese" || c.name == "script-japanese";
        EXPECT_LE(cjk ? testing::characterErrorRate(unspaced(text), unspaced(reference))
                      : testing::characterErrorRate(text, reference),
                  c.bound)
            << label << ": " << text;
        if (cjk) {
            EXPECT_FALSE(spaceBetweenWideCharacters(text)) << label << ": " << text;
        }
        if (!c.tessdata.empty()) {
            EXPECT_EQ(text.find("Москва"), std::string::npos) << label << ": read as Latin";
        }
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
