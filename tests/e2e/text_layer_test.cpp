// The built binary on text-layer documents and on bad input: exact stdout
// bytes, stderr bytes and exit status.
#include <gtest/gtest.h>

#include "reference.h"
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

TEST(TextLayer, EveryOutcomeHasItsExactBytes) {
    const std::string missing = "percorso PDF mancante\n", unreadable = "PDF non leggibile\n";
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string out, err;
    } cases[] = {
        {{testData("text-three-pages.pdf")}, 0, kThreePages, ""},
        {{testData("owner-password-only.pdf")}, 0, kThreePages, ""},
        {{testData("zero-pages.pdf")}, 0, "{\"pages\":[],\"usedOCR\":false}\n", ""},
        {{testData("two-column.pdf")},
         0,
         "{\"pages\":[{\"page\":1,\"text\":\"Colonna sinistra uno Colonna sinistra due Colonna sinistra tre Colonna "
         "sinistra quattro Colonna destra uno Colonna destra due Colonna destra tre Colonna destra "
         "quattro\"}],\"usedOCR\":false}\n",
         ""},
        {{}, 1, "", missing},
        {{testData("text-three-pages.pdf"), testData("zero-pages.pdf")}, 1, "", missing},
        {{""}, 1, "", unreadable},
        {{testData("")}, 1, "", unreadable},  // a directory
        {{testData("not-pdf.txt")}, 1, "", unreadable},
        {{testData("garbage-after-header.pdf")}, 1, "", unreadable},
        {{testData("locked-user-password.pdf")}, 1, "", unreadable},
        {{"-h"}, 1, "", unreadable},
    };
    for (const auto& c : cases) {
        const std::string label = c.arguments.empty() ? "(none)" : c.arguments.front();
        const auto run = runTool(c.arguments);
        EXPECT_EQ(run.status, c.status) << label;
        EXPECT_EQ(run.out, c.out) << label;
        EXPECT_EQ(run.err, c.err) << label;
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
