// The built binary on text layers, bad input and exhausted memory: exact
// stdout bytes, stderr bytes and exit status.
#include <gtest/gtest.h>

#include <fstream>

#include "support.h"

namespace leggipdf {
namespace {

using testing::testData;

const std::string kThreePages =
    R"({"pages":[{"page":1,"text":"Perché la città è già più bella? Perché il caffè è più buono e la gente è già )"
    R"(sveglia. Così finisce la prima pagina: università, virtù, però."},{"page":2,"text":"Il \"codice\" )"
    R"(C:\\dati\\file ha spazi Tre spazi, poi colonne qui sotto. Parentesi (tonde) e barra \\ rovesciata. Nome )"
    R"(Valore Nota"},{"page":3,"text":"This is the third page, written in English. It has several lines of plain )"
    R"(text. The quick brown fox jumps over the lazy dog."}],"usedOCR":false})"
    "\n";

const std::string kTool = LEGGIPDF_BINARY;

// Runs with 1 GB of address space (by default): enough for any ordinary page.
[[maybe_unused]] std::vector<std::string> limited(const std::string& path, const std::string& kilobytes = "1000000") {
    return {"/bin/sh", "-c", "ulimit -v " + kilobytes + "; exec \"$0\" \"$1\"", kTool, path};
}

// One path of 20 million segments, compressed to 175 KB: Poppler's allocator
// aborts the process when the room for it runs out.
[[maybe_unused]] std::string longPath() {
    const std::string path = ::testing::TempDir() + "long-path.pdf";
    testing::outputOf("/usr/bin/python3", {"-c", R"(import sys, zlib
c = zlib.compress(b"0 0 m " + b"1 1 l " * 20000000 + b"S", 9)
o = [b"<</Type/Catalog/Pages 2 0 R>>", b"<</Type/Pages/Kids[3 0 R]/Count 1>>",
     b"<</Type/Page/Parent 2 0 R/MediaBox[0 0 612 792]/Contents 4 0 R>>",
     b"<</Length %d/Filter/FlateDecode>>stream\n" % len(c) + c + b"\nendstream"]
body = b"".join(b"%d 0 obj" % (i + 1) + x + b"endobj\n" for i, x in enumerate(o))
open(sys.argv[1], "wb").write(b"%PDF-1.4\n" + body + b"trailer<</Root 1 0 R>>\n%%EOF\n"))", path});
    return path;
}

// AES-encrypted, its crypt filter naming a method nobody knows.
std::string unknownCryptFilter() {
    const std::string path = ::testing::TempDir() + "unknown-crypt-filter.pdf";
    testing::outputOf("/usr/bin/qpdf",
                      {"--encrypt", "", "owner", "128", "--use-aes=y", "--", testData("text-three-pages.pdf"), path});
    std::string bytes = testing::fileText(path);
    bytes.replace(bytes.find("/AESV2"), 6, "/XYZV2");
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The English scan left where it is on a page of 6,000 x 6,000 pt.
[[maybe_unused]] std::string scanOnAHugePage() {
    const std::string path = ::testing::TempDir() + "scan-on-huge-page.pdf";
    std::string bytes = testing::fileText(testData("scan-english.pdf"));
    bytes.replace(bytes.find("/MediaBox [0 0 595.28 841.89]"), 29, "/MediaBox [0 0 6000.0 6000.0]");
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(Outcomes, EachHasItsExactBytes) {
    const std::string missing = "percorso PDF mancante\n", unreadable = "PDF non leggibile\n";
    const std::string tooLarge = "rendering della pagina 1 non riuscito\n";
    const std::string badTimeout = "valore di LEGGIPDF_PAGE_TIMEOUT non valido\n";
    const std::string badJobs = "valore di LEGGIPDF_JOBS non valido\n";
    std::string nested;  // graphics states nested three million deep
    for (int i = 0; i < 3'000'000; ++i) nested += "q ";
    const struct {
        std::vector<std::string> command;
        std::string out, err;
    } cases[] = {
        {{kTool, testData("text-three-pages.pdf")}, kThreePages, ""},
        {{kTool, testData("owner-password-only.pdf")}, kThreePages, ""},
        {{kTool, testData("zero-pages.pdf")}, "{\"pages\":[],\"usedOCR\":false}\n", ""},
        {{kTool, testData("two-column.pdf")},
         "{\"pages\":[{\"page\":1,\"text\":\"Colonna sinistra uno Colonna sinistra due Colonna sinistra tre Colonna "
         "sinistra quattro Colonna destra uno Colonna destra due Colonna destra tre Colonna destra "
         "quattro\"}],\"usedOCR\":false}\n",
         ""},
        {{kTool}, "", missing},
        {{kTool, testData("text-three-pages.pdf"), testData("zero-pages.pdf")}, "", missing},
        {{kTool, ""}, "", unreadable},
        {{kTool, testData("")}, "", unreadable},  // a directory
        {{kTool, testData("not-pdf.txt")}, "", unreadable},
        {{kTool, testData("garbage-after-header.pdf")}, "", unreadable},
        {{kTool, testData("locked-user-password.pdf")}, "", unreadable},
        {{kTool, unknownCryptFilter()}, "", unreadable},
        {{kTool, "-h"}, "", unreadable},
        {{kTool, testData("huge-mediabox.pdf")}, "", tooLarge},
        {{"/usr/bin/env", "LEGGIPDF_PAGE_TIMEOUT=abc", kTool, testData("text-three-pages.pdf")}, "", badTimeout},
        {{"/usr/bin/env", "LEGGIPDF_PAGE_TIMEOUT=0", kTool, testData("text-three-pages.pdf")}, "", badTimeout},
        {{"/usr/bin/env", "LEGGIPDF_PAGE_TIMEOUT=2.5", kTool, testData("text-three-pages.pdf")}, kThreePages, ""},
        {{"/usr/bin/env", "LEGGIPDF_JOBS=0", kTool, testData("text-three-pages.pdf")}, "", badJobs},
        {{"/usr/bin/env", "LEGGIPDF_JOBS=2x", kTool, testData("text-three-pages.pdf")}, "", badJobs},
        {{"/usr/bin/env", "LEGGIPDF_JOBS=auto", kTool, testData("text-three-pages.pdf")}, kThreePages, ""},
        // A drawing that never ends, bounded.
        {{"/usr/bin/env", "LEGGIPDF_PAGE_TIMEOUT=1", kTool,
          testing::writtenPdf("endless.pdf", "/Pattern cs /P1 scn 0 0 612 792 re f", 612)},
         "",
         tooLarge},
        // Library chatter on a page drawn without a font configuration stays off stderr.
        {{"/usr/bin/env", "FONTCONFIG_FILE=/nonexistent", "FONTCONFIG_PATH=/nonexistent", kTool,
          testData("whitespace-layer.pdf")},
         "{\"pages\":[],\"usedOCR\":true}\n",
         ""},
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer needs more address space than the limit leaves
        // A 9,000 pt page (506 Mpx, under the cap) whose bitmap Poppler cannot get.
        {limited(testing::writtenPdf("9000pt.pdf", "0 0 0 RG 10 w 100 100 m 8000 8000 l S", 9000)), "", tooLarge},
        {limited(testing::writtenPdf("nested.pdf", nested + "BT /F1 12 Tf 72 700 Td (ciao) Tj ET", 612)), "",
         "memoria insufficiente\n"},
        {limited(longPath(), "300000"), "", "memoria insufficiente\n"},
        // Memory that runs out inside the engine fails the page rather than dropping its text.
        {limited(scanOnAHugePage()), "",
         "OCR della pagina 1 non riuscito: tesseract: memory ran out for the images of a 15000x15000 page\n"},
#endif
    };
    for (const auto& c : cases) {
        const std::string label = c.command.back();
        const auto run = testing::runTool({c.command.begin() + 1, c.command.end()}, std::chrono::seconds(60),
                                          testing::Stdout::captured, c.command[0]);
        EXPECT_EQ(run.status, c.err.empty() ? 0 : 1) << label;
        EXPECT_EQ(run.out, c.out) << label;
        EXPECT_EQ(run.err, c.err) << label;
    }
}

TEST(Outcomes, FailedWriteOfTheResultIsReported) {
    // A full disk, a closed descriptor, and a reader that has gone away
    // (EPIPE rather than a silent death by SIGPIPE).
    for (auto mode : {testing::Stdout::devFull, testing::Stdout::closed, testing::Stdout::brokenPipe}) {
        const auto run = testing::runTool({testData("text-three-pages.pdf")}, std::chrono::seconds(60), mode);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "scrittura del risultato non riuscita\n");
    }
}

}  // namespace
}  // namespace leggipdf
