// Pages read in forked workers, on fakes: the same result as one process,
// never more workers than asked or than memory holds, and the failure of the
// lowest-numbered page, with every child reaped.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "extraction/extract.h"
#include "fakes.h"
#include "model/extraction_failure.h"
#include "workers/forked_scan_reader.h"

namespace leggipdf {
namespace {

using testing::FakeDocument;
using testing::FakePageContent;
using namespace std::chrono_literals;

// Kept in memory shared with the workers.
struct Tally {
    std::atomic<int> reading, mostAtOnce, readInWorkers;
};

// Image ids: kSlowFailure and kFailure throw, kCrash dies by SIGKILL, kAbort
// aborts, kStuck never answers, kLate answers after 0.9 s; any other id reads
// as "testo <id>" after a pause long enough for pages to overlap.
constexpr std::int64_t kSlowFailure = 30, kFailure = 31, kCrash = 32, kStuck = 33, kAbort = 34, kLate = 35;

struct PausingRecognizer final : TextRecognizer {
    Tally* tally = static_cast<Tally*>(
        mmap(nullptr, sizeof(Tally), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    pid_t parent = getpid();
    ~PausingRecognizer() override { munmap(tally, sizeof(Tally)); }

    std::string recognizedText(const PageImage& image) override {
        if (getpid() != parent) ++tally->readInWorkers;
        const int now = ++tally->reading;
        for (int most = tally->mostAtOnce; most < now && !tally->mostAtOnce.compare_exchange_weak(most, now);) {
        }
        if (image.width == kCrash) kill(getpid(), SIGKILL);
        if (image.width == kAbort) errno = 0, std::abort();
        std::this_thread::sleep_for(image.width == kStuck  ? 1h
                                    : image.width == kLate ? 900ms
                                    : image.width == kFailure ? 0ms
                                                              : 150ms);
        --tally->reading;
        if (image.width == kSlowFailure || image.width == kFailure) throw std::runtime_error("guasto");
        return "testo " + std::to_string(image.width);
    }
};

std::vector<std::optional<FakePageContent>> scans(std::vector<std::int64_t> ids) {
    std::vector<std::optional<FakePageContent>> pages;
    for (const auto id : ids) pages.push_back(FakePageContent{"", id});
    return pages;
}

bool noChildLeft() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

TEST(ForkedScanReader, ReadsAsOneProcessWithinJobsAndMemory) {
    const std::vector<std::optional<FakePageContent>> pages = {
        FakePageContent{"prima"}, FakePageContent{" ", 1}, std::nullopt, FakePageContent{"", 4},
        FakePageContent{"", 5},   FakePageContent{"ultima"}};
    const ExtractionResult expected{{{1, "prima"}, {2, "testo 1"}, {4, "testo 4"}, {5, "testo 5"}, {6, "ultima"}},
                                    true};
    const struct {
        WorkerPlan plan;
        int mostAtOnce, readInWorkers;
    } cases[] = {
        {{1, 60.0}, 1, 3},
        {{2, std::nullopt}, 2, 3},
        {{8, 60.0}, 3, 3},
        // Memory for two workers, with those already started counted as spent.
        {{8, std::nullopt, [] { return std::optional<std::int64_t>(70 << 20); }}, 2, 3},
    };
    for (const auto& c : cases) {
        PausingRecognizer recognizer;
        ForkedScanReader reader(recognizer, c.plan);
        EXPECT_EQ(extract(FakeDocument(pages), reader), expected) << c.plan.jobs;
        EXPECT_EQ(recognizer.tally->mostAtOnce, c.mostAtOnce) << c.plan.jobs;
        EXPECT_EQ(recognizer.tally->readInWorkers, c.readInWorkers) << c.plan.jobs;
        EXPECT_TRUE(noChildLeft()) << c.plan.jobs;
    }
    // A single page to read starts no worker.
    PausingRecognizer recognizer;
    ForkedScanReader reader(recognizer, {4, std::nullopt});
    EXPECT_EQ(extract(FakeDocument({FakePageContent{"uno"}, FakePageContent{"", 2}}), reader),
              (ExtractionResult{{{1, "uno"}, {2, "testo 2"}}, true}));
    EXPECT_EQ(recognizer.tally->readInWorkers, 0);
}

TEST(ForkedScanReader, ReportsTheLowestFailedPageAndLeavesNoChild) {
    const std::string timedOut = "the time ran out: the page was not read within LEGGIPDF_PAGE_TIMEOUT (0.5 s)";
    const struct {
        std::vector<std::optional<FakePageContent>> pages;
        std::string expected;
    } cases[] = {
        {scans({kSlowFailure, kFailure, 1}), "OCR della pagina 1 non riuscito: guasto"},
        {scans({1, kCrash, kStuck}), "OCR della pagina 2 non riuscito: the page's reader died by signal 9 (Killed)"},
        {scans({1, kAbort, kStuck}), "errore inatteso"},  // what an abort gives in one process
        {scans({kStuck, 1, kFailure}), "OCR della pagina 1 non riuscito: " + timedOut},
        // Late while this process reads a slow text layer: the bound still holds.
        {{FakePageContent{"", kLate}, FakePageContent{"lento", 0, false, 1500}},
         "OCR della pagina 1 non riuscito: " + timedOut},
        {scans({1, -1, kFailure}), "rendering della pagina 2 non riuscito"},
        {{FakePageContent{"", kSlowFailure}, FakePageContent{"", 1, true}}, "OCR della pagina 1 non riuscito: guasto"},
    };
    for (const auto& c : cases) {
        PausingRecognizer recognizer;
        ForkedScanReader reader(recognizer, {2, 0.5});
        try {
            extract(FakeDocument(c.pages), reader);
            ADD_FAILURE() << "no failure: " << c.expected;
        } catch (const ExtractionFailure& failure) {
            EXPECT_EQ(failure.description(), c.expected);
        }
        EXPECT_TRUE(noChildLeft()) << c.expected;
    }
}

}  // namespace
}  // namespace leggipdf
