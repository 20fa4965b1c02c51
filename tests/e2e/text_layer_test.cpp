// The built binary on text-layer documents and on bad input: exact stdout
// bytes, stderr bytes and exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include "model/json_form.h"
#include "tool.h"

namespace leggipdf {
namespace {

using testing::runTool;
using testing::testData;

const std::string kThreePages =
    R"({"pages":[{"page":1,"text":"Perché la città è già più bella? Perché il caffè è più buono e la gente è già )"
    R"(sveglia. Così finisce la prima pagina: università, virtù, però."},{"page":2,"text":"Il \"codice\" )"
    R"(C:\\dati\\file ha spazi Tre spazi, poi colonne qui sotto. Parentesi (tonde) e barra \\ rovesciata. Nome )"
    R"(Valore Nota"},{"page":3,"text":"This is the third page, written in English. It has several lines of plain )"
    R"(text. The quick brown fox jumps over the lazy dog."}],"usedOCR":false})"
    "\n";

TEST(TextLayer, DocumentsGiveExactOutput) {
    const struct {
        std::string file, expected;
    } cases[] = {
        {"text-three-pages.pdf", kThreePages},
        {"owner-password-only.pdf", kThreePages},
        {"zero-pages.pdf", "{\"pages\":[],\"usedOCR\":false}\n"},
        {"single-punctuation.pdf", "{\"pages\":[{\"page\":1,\"text\":\".\"}],\"usedOCR\":false}\n"},
        {"two-column.pdf",
         "{\"pages\":[{\"page\":1,\"text\":\"Colonna sinistra uno Colonna sinistra due Colonna sinistra tre Colonna "
         "sinistra quattro Colonna destra uno Colonna destra due Colonna destra tre Colonna destra "
         "quattro\"}],\"usedOCR\":false}\n"},
    };
    for (const auto& c : cases) {
        const auto run = runTool({testData(c.file)});
        EXPECT_EQ(run.status, 0) << c.file;
        EXPECT_EQ(run.out, c.expected) << c.file;
        EXPECT_EQ(run.err, "") << c.file;
    }
}

TEST(TextLayer, BadInputEndsWithItsTextAndNothingOnStdout) {
    const std::string missing = "percorso PDF mancante\n", unreadable = "PDF non leggibile\n";
    const struct {
        std::vector<std::string> arguments;
        std::string expected;
    } cases[] = {
        {{}, missing},
        {{testData("text-three-pages.pdf"), testData("zero-pages.pdf")}, missing},
        {{""}, unreadable},
        {{testData("does-not-exist.pdf")}, unreadable},
        {{testData("")}, unreadable},  // a directory
        {{testData("not-pdf.txt")}, unreadable},
        {{testData("garbage-after-header.pdf")}, unreadable},
        {{testData("locked-user-password.pdf")}, unreadable},
        {{"-h"}, unreadable},
    };
    for (const auto& c : cases) {
        const std::string label = c.arguments.empty() ? "(none)" : c.arguments.front();
        const auto run = runTool(c.arguments);
        EXPECT_EQ(run.status, 1) << label;
        EXPECT_EQ(run.out, "") << label;
        EXPECT_EQ(run.err, c.expected) << label;
    }
}

TEST(TextLayer, TruncatedFileIsRepairedOrRefusedCleanly) {
    const auto run = runTool({testData("truncated.pdf")});
    EXPECT_EQ(run.signal, 0);
    if (run.status == 0) {
        EXPECT_NO_THROW(decoded(run.out)) << run.out;
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "PDF non leggibile\n");
    }
}

TEST(TextLayer, FailedWriteOfTheResultIsReported) {
    // A full disk, a closed descriptor, and a reader that has gone away
    // (EPIPE rather than a silent death by SIGPIPE).
    for (auto mode : {testing::Stdout::devFull, testing::Stdout::closed, testing::Stdout::brokenPipe}) {
        const auto run = runTool({testData("text-three-pages.pdf")}, std::chrono::seconds(60), mode);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "scrittura del risultato non riuscita\n");
    }
}

}  // namespace
}  // namespace leggipdf
