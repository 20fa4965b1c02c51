#include "app/run.h"

#include <fcntl.h>
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
                const std::function<ExtractionResult(const std::string&)>& extractor, int outFd = -1) {
    Capture out, err;
    const int status = run(arguments, outFd == -1 ? out.fd() : outFd, err.fd(), extractor);
    return {status, out.text(), err.text()};
}

ExtractionResult twoPages(const std::string&) { return {{{1, "uno"}, {3, "tre"}}, false}; }

TEST(Run, ArgumentCountIsChecked) {
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

TEST(Run, PassesThePathUnchanged) {
    std::string seen = "unset";
    auto recording = [&](const std::string& path) { return seen = path, twoPages(path); };
    const Outcome outcome = runWith({"leggipdf", ""}, recording);
    EXPECT_EQ(seen, "");
    EXPECT_EQ(outcome.status, 0);
}

TEST(Run, SuccessWritesDocumentAndOneLineFeed) {
    const Outcome outcome = runWith({"leggipdf", "-x.pdf"}, twoPages);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "{\"pages\":[{\"page\":1,\"text\":\"uno\"},{\"page\":3,\"text\":\"tre\"}],\"usedOCR\":false}\n");
    EXPECT_EQ(outcome.err, "");
}

TEST(Run, FailureWritesOnlyItsText) {
    auto failing = [](const std::string&) -> ExtractionResult {
        throw ExtractionFailure::recognitionFailed(5, "dettaglio");
    };
    const Outcome outcome = runWith({"leggipdf", "x.pdf"}, failing);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "OCR della pagina 5 non riuscito: dettaglio\n");
}

TEST(Run, FailedWriteIsAFailure) {
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    const Outcome toFull = runWith({"leggipdf", "x.pdf"}, twoPages, full);
    close(full);
    EXPECT_EQ(toFull.status, 1);
    EXPECT_EQ(toFull.err, "scrittura del risultato non riuscita\n");

    const Outcome toClosed = runWith({"leggipdf", "x.pdf"}, twoPages, 987);
    EXPECT_EQ(toClosed.status, 1);
    EXPECT_EQ(toClosed.err, "scrittura del risultato non riuscita\n");
}

}  // namespace
}  // namespace leggipdf
