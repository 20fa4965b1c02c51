// The built binary: exact stdout bytes, stderr bytes and exit status on text
// layers, bad input, bad settings and exhausted memory; scans read in reading
// order with their script's model; a stale OCR module.
#include <gtest/gtest.h>

#include <filesystem>

#include "support.h"

namespace leggipdf {
namespace {

using testing::outputOf;
using testing::testData;

const std::string kTool = LEGGIPDF_BINARY;

const std::string kThreePages =
    R"({"pages":[{"page":1,"text":"Perché la città è già più bella? Perché il caffè è più buono e la gente è già )"
    R"(sveglia. Così finisce la prima pagina: università, virtù, però."},{"page":2,"text":"Il \"codice\" )"
    R"(C:\\dati\\file ha spazi Tre spazi, poi colonne qui sotto. Parentesi (tonde) e barra \\ rovesciata. Nome )"
    R"(Valore Nota"},{"page":3,"text":"This is the third page, written in English. It has several lines of plain )"
    R"(text. The quick brown fox jumps over the lazy dog."}],"usedOCR":false})"
    "\n";

// Runs with 1 GB of address space (by default): enough for any ordinary page.
[[maybe_unused]] std::vector<std::string> limited(const std::string& path, const std::string& kilobytes = "1000000") {
    return {"/bin/sh", "-c", "ulimit -v " + kilobytes + "; exec \"$0\" \"$1\"", kTool, path};
}

TEST(Outcomes, EachHasItsExactBytes) {
    const std::string missing = "percorso PDF mancante\n", unreadable = "PDF non leggibile\n";
    const std::string tooLarge = "rendering della pagina 1 non riuscito\n", text = testData("text-three-pages.pdf");
    const std::string badTimeout = "valore di LEGGIPDF_PAGE_TIMEOUT non valido\n";
    const std::string badJobs = "valore di LEGGIPDF_JOBS non valido\n";
    const struct {
        std::vector<std::string> command;
        std::string out, err;
    } cases[] = {
        {{kTool, text}, kThreePages, ""},
        {{kTool, testData("owner-password-only.pdf")}, kThreePages, ""},
        {{kTool, testData("zero-pages.pdf")}, "{\"pages\":[],\"usedOCR\":false}\n", ""},
        {{kTool, testData("two-column.pdf")},
         "{\"pages\":[{\"page\":1,\"text\":\"Colonna sinistra uno Colonna sinistra due Colonna sinistra tre Colonna "
         "sinistra quattro Colonna destra uno Colonna destra due Colonna destra tre Colonna destra "
         "quattro\"}],\"usedOCR\":false}\n",
         ""},
        {{kTool}, "", missing},
        {{kTool, text, testData("zero-pages.pdf")}, "", missing},
        {{kTool, ""}, "", unreadable},
        {{kTool, testData("")}, "", unreadable},  // a directory
        {{kTool, testData("not-pdf.txt")}, "", unreadable},
        {{kTool, testData("garbage-after-header.pdf")}, "", unreadable},
        {{kTool, testData("locked-user-password.pdf")}, "", unreadable},
        {{kTool, testData("unknown-crypt-filter.pdf")}, "", unreadable},
        {{kTool, "-h"}, "", unreadable},
        {{kTool, testData("huge-mediabox.pdf")}, "", tooLarge},
        {{"LEGGIPDF_PAGE_TIMEOUT=abc", kTool, text}, "", badTimeout},
        {{"LEGGIPDF_PAGE_TIMEOUT=0", kTool, text}, "", badTimeout},
        {{"LEGGIPDF_PAGE_TIMEOUT=2.5", kTool, text}, kThreePages, ""},
        {{"LEGGIPDF_JOBS=0", kTool, text}, "", badJobs},
        {{"LEGGIPDF_JOBS=2x", kTool, text}, "", badJobs},
        {{"LEGGIPDF_JOBS=auto", kTool, text}, kThreePages, ""},
        // A drawing that never ends, bounded.
        {{"LEGGIPDF_PAGE_TIMEOUT=1", kTool, testData("endless.pdf")}, "", tooLarge},
        // Library chatter on a page drawn without a font configuration stays off stderr.
        {{"FONTCONFIG_FILE=/nonexistent", "FONTCONFIG_PATH=/nonexistent", kTool, testData("whitespace-layer.pdf")},
         "{\"pages\":[],\"usedOCR\":true}\n",
         ""},
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer needs more address space than the limit leaves
        // A 9,000 pt page (506 Mpx, under the cap) whose bitmap Poppler cannot get.
        {limited(testData("9000pt.pdf")), "", tooLarge},
        {limited(testData("nested.pdf")), "", "memoria insufficiente\n"},
        // Poppler's allocator aborts the process when the room for a long path runs out.
        {limited(testData("long-path.pdf"), "300000"), "", "memoria insufficiente\n"},
        // Memory that runs out inside the engine fails the page rather than dropping its text.
        {limited(testData("scan-on-huge-page.pdf")), "",
         "OCR della pagina 1 non riuscito: tesseract: memory ran out for the images of a 15000x15000 page\n"},
#endif
    };
    for (const auto& c : cases) {
        const auto run = testing::run(c.command, testing::Stdout::captured, std::chrono::seconds(60));
        EXPECT_EQ(run.status, c.err.empty() ? 0 : 1) << c.command.back();
        EXPECT_EQ(run.out, c.out) << c.command.back();
        EXPECT_EQ(run.err, c.err) << c.command.back();
    }
    // A full disk, a closed descriptor, and a reader that has gone away
    // (EPIPE rather than a silent death by SIGPIPE).
    for (auto mode : {testing::Stdout::devFull, testing::Stdout::closed, testing::Stdout::brokenPipe}) {
        const auto run = testing::run({kTool, text}, mode);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "scrittura del risultato non riuscita\n");
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

// Generated scans against the text they were made from: turned and very large
// pages, other writing systems read with their script's model, a page too
// short to tell and one whose model is missing read as Latin; and page 40 of a
// manual that Debian installs (running 10-pt text, whose lines lie closer than
// the line tolerance) scanned at 300 dpi, against pdftotext's reading.
TEST(Ocr, ScansAreReadInReadingOrderWithTheirScriptsModels) {
    const std::string manual = "/usr/share/doc/c++-annotations/cplusplus.pdf", image = ::testing::TempDir() + "p40";
    outputOf({"/usr/bin/pdftoppm", "-r", "300", "-f", "40", "-l", "40", "-gray", "-png", "-singlefile", manual, image});
    outputOf({"/usr/bin/img2pdf", "--pagesize", "595x842", "-o", image + ".pdf", image + ".png"});
    const std::string latinOnly = ::testing::TempDir() + "latin-only-tessdata";
    std::filesystem::create_directories(latinOnly);
    for (const char* model : {"Latin.traineddata", "osd.traineddata"}) {
        std::filesystem::remove(latinOnly + "/" + model);
        std::filesystem::create_symlink(std::string("/usr/share/tesseract-ocr/5/tessdata/") + model,
                                        latinOnly + "/" + model);
    }
    const struct {
        std::string name;  // of a scan in tests/data and its text; a path with a leading '/'
        double bound;      // character error rate; CJK pages compared without spaces
        std::vector<std::string> words;
        std::string environment = "", absent = "";
    } cases[] = {
        {image + ".pdf", 0.03, {}},
        {"scan-italian", 0.01, {}},
        {"scan-english", 0.01, {}},
        {"rotated-scan", 0.01, {}},
        {"large-2400pt-scan", 0.01, {}},
        {"script-russian", 0.02, {"Москва", "Кремлю"}},
        {"script-greek", 0.02, {"Αθήνα", "Παρθενώνας"}},
        {"script-italian", 0.01, {"fiume", "città"}},
        {"script-mixed", 0.02, {"Relazione annuale 2024", "Отчёт"}},
        {"script-arabic", 0.10, {"القاهرة", "النيل"}},
        {"script-chinese", 0.05, {"北京", "首都"}},
        {"script-japanese", 0.05, {"東京", "首都"}},
        {"script-two-words", 0.1, {"Buongiorno Roma"}},
        {"script-russian", 1.0, {}, "TESSDATA_PREFIX=" + latinOnly, "Москва"},
    };
    for (const auto& c : cases) {
        const bool ours = c.name[0] != '/';
        std::vector<std::string> command = {kTool, ours ? testData(c.name + ".pdf") : c.name};
        if (!c.environment.empty()) command.insert(command.begin(), c.environment);
        const auto run = testing::run(command);
        const std::string label = c.name + " " + c.environment;
        ASSERT_EQ(run.status, 0) << label << run.err;
        EXPECT_EQ(run.err, "") << label;
        const ExtractionResult result = testing::decoded(run.out);
        ASSERT_EQ(result.pages.size(), 1u) << label;
        EXPECT_EQ(result.pages[0].page, 1) << label;
        EXPECT_TRUE(result.usedOCR) << label;
        const std::string& text = result.pages[0].text;
        for (const auto& word : c.words) EXPECT_NE(text.find(word), std::string::npos) << label << ": " << word;
        EXPECT_TRUE(c.absent.empty() || text.find(c.absent) == std::string::npos) << label << ": read as Latin";
        const std::string reference = testing::oneLine(
            ours ? testing::fileText(testData(c.name + ".txt"))
                 : outputOf({"/usr/bin/pdftotext", "-f", "40", "-l", "40", "-enc", "UTF-8", manual, "-"}));
        const bool cjk = c.name == "script-chinese" || c.name == "script-japanese";
        EXPECT_LE(cjk ? testing::characterErrorRate(unspaced(text), unspaced(reference))
                      : testing::characterErrorRate(text, reference),
                  c.bound)
            << label << ": " << text;
        EXPECT_FALSE(cjk && spaceBetweenWideCharacters(text)) << label << ": " << text;
    }
}

// A module from another build beside the binary is refused before it is called.
TEST(Ocr, StaleModuleIsRefusedWithTheReason) {
    std::filesystem::create_directories(::testing::TempDir() + "stale");
    const auto folder = std::filesystem::canonical(::testing::TempDir() + "stale"), binary = folder / "leggipdf";
    std::filesystem::copy_file(kTool, binary, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(folder / "leggipdf-ocr.so");
    std::filesystem::create_symlink(LEGGIPDF_STALE_MODULE, folder / "leggipdf-ocr.so");
    const auto run = testing::run({binary, testData("scan-english.pdf")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    const std::string reason = "the OCR module " + (folder / "leggipdf-ocr.so").string() + " has version 0.0+ocr0";
    EXPECT_EQ(run.err.rfind("OCR della pagina 1 non riuscito: " + reason + ", expected ", 0), 0u) << run.err;
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace leggipdf
