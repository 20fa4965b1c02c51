#include "app/run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>

#include "model/extraction_failure.h"

namespace leggipdf {
namespace {

// Captures what run() writes to a descriptor through a temporary file.
class Capture {
public:
    Capture() {
        char name[] = "/tmp/leggipdf-run-XXXXXX";
        fd_ = mkstemp(name);
        unlink(name);
    }
    ~Capture() { close(fd_); }
    int fd() const { return fd_; }
    std::string text() const {
        std::string bytes;
        char buffer[4096];
        ssize_t count;
        off_t offset = 0;
        while ((count = pread(fd_, buffer, sizeof buffer, offset)) > 0) bytes.append(buffer, count), offset += count;
        return bytes;
    }

private:
    int fd_;
};

struct Outcome {
    int status;
    std::string out, err;
};

Outcome runWith(const std::vector<std::string>& arguments,
                const std::function<ExtractionResult(const std::string&)>& extractor) {
    Capture out, err;
    const int status = run(arguments, out.fd(), err.fd(), extractor);
    return {status, out.text(), err.text()};
}

ExtractionResult twoPages(const std::string&) { return {{{1, "uno"}, {3, "tre"}}, false}; }

// The end-to-end tests cover the bytes of each outcome; these check what
// only a fake extraction can show.
TEST(Run, WrongArgumentCountNeverExtracts) {
    int calls = 0;
    auto counting = [&](const std::string& path) { return ++calls, twoPages(path); };
    const std::vector<std::vector<std::string>> wrong = {{"leggipdf"}, {"leggipdf", "a.pdf", "b.pdf"}, {}};
    for (const auto& arguments : wrong) {
        const Outcome outcome = runWith(arguments, counting);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "percorso PDF mancante\n");
    }
    EXPECT_EQ(calls, 0);
}

TEST(Run, ExtractionFailurePrintsOnlyItsText) {
    auto failing = [](const std::string&) -> ExtractionResult {
        throw ExtractionFailure::recognitionFailed(5, "dettaglio");
    };
    const Outcome outcome = runWith({"leggipdf", "x.pdf"}, failing);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "OCR della pagina 5 non riuscito: dettaglio\n");
}

}  // namespace
}  // namespace leggipdf
