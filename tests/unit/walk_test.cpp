// The page walk on fake documents, read in turn or in forked workers: the same
// result whatever the plan, within its bounds, and the lowest page's failure.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "extraction/extract.h"
#include "model/extraction_failure.h"
#include "progress/progress_line.h"
#include "support.h"
#include "workers/forked_scan_reader.h"

namespace leggipdf {
namespace {

using namespace std::chrono_literals;

// A page's text layer, and the id its image carries (as its width) to tell the
// recogniser what to answer; id -1 makes the rendering fail.
struct PageSpec {
    std::string textLayer;
    std::int64_t imageId = 0;
    bool layerRunsOutOfMemory = false;
    int layerMilliseconds = 0;  // how long reading the text layer takes
};
using Pages = std::vector<std::optional<PageSpec>>;  // nullopt: no page at that index

// Records the indices fetched and how many pages are alive at once.
class FakeDocument final : public Document {
public:
    explicit FakeDocument(Pages pages) : pages_(std::move(pages)) {}
    std::int64_t pageCount() const override { return static_cast<std::int64_t>(pages_.size()); }
    std::unique_ptr<Page> page(std::int64_t index) const override {
        fetched.push_back(index);
        const auto& content = pages_.at(static_cast<std::size_t>(index));
        return content ? std::make_unique<FakePage>(*content, *this) : nullptr;
    }
    mutable std::vector<std::int64_t> fetched;
    mutable int livePages = 0, maxLivePages = 0;

private:
    struct FakePage final : Page {
        FakePage(PageSpec content, const FakeDocument& owner) : content_(std::move(content)), owner_(owner) {
            owner_.maxLivePages = std::max(owner_.maxLivePages, ++owner_.livePages);
        }
        ~FakePage() override { --owner_.livePages; }
        std::string text() const override {
            if (content_.layerRunsOutOfMemory) throw std::bad_alloc();
            std::this_thread::sleep_for(std::chrono::milliseconds(content_.layerMilliseconds));
            return content_.textLayer;
        }
        std::optional<PageImage> renderedImage() const override {
            if (content_.imageId < 0) return std::nullopt;
            return PageImage{content_.imageId, 1, 1, nullptr, nullptr};
        }
        PageSpec content_;
        const FakeDocument& owner_;
    };
    Pages pages_;
};

// Kept in memory shared with the workers. A reading holds on (ten seconds at most) until
// `awaited` pages are read at once: how many overlap rests on the plan, not on the load.
struct Tally {
    std::atomic<int> reading, mostAtOnce, readInWorkers, awaited;
};

// Image ids: kBlank reads as nothing, kSlowFailure and kFailure throw, kCrash
// dies by SIGKILL, kAbort aborts, kStuck never answers, kLate answers after
// 0.9 s; any other id reads as "testo <id>" after a pause in which one
// page too many would be seen overlapping.
constexpr std::int64_t kBlank = 29, kSlowFailure = 30, kFailure = 31, kCrash = 32, kStuck = 33, kAbort = 34, kLate = 35;

struct FakeRecognizer final : TextRecognizer {
    Tally* tally =
        static_cast<Tally*>(mmap(nullptr, sizeof(Tally), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    pid_t parent = getpid();
    ~FakeRecognizer() override { munmap(tally, sizeof(Tally)); }

    std::string recognizedText(const PageImage& image) override {
        if (getpid() != parent) ++tally->readInWorkers;
        const int now = ++tally->reading;
        for (int most = tally->mostAtOnce; most < now && !tally->mostAtOnce.compare_exchange_weak(most, now);) {
        }
        if (image.width == kCrash) kill(getpid(), SIGKILL);
        if (image.width == kAbort) errno = 0, std::abort();
        for (auto until = std::chrono::steady_clock::now() + 10s;
             tally->mostAtOnce < tally->awaited && std::chrono::steady_clock::now() < until;)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(image.width == kStuck     ? 1h
                                    : image.width == kLate    ? 900ms
                                    : image.width == kFailure ? 0ms
                                                              : 150ms);
        --tally->reading;
        if (image.width == kSlowFailure || image.width == kFailure) throw std::runtime_error("guasto");
        return image.width == kBlank ? "" : "testo " + std::to_string(image.width);
    }
};

// Each page's events in the order heard: 's' started, 'f' finished.
struct RecordedProgress final : ScanProgress {
    std::map<std::int64_t, std::string> events;
    void pageStarted(std::int64_t pageNumber) override { events[pageNumber] += 's'; }
    void pageFinished(std::int64_t pageNumber) override { events[pageNumber] += 'f'; }
};

// No plan: every page read in turn in this process.
ExtractionResult extracted(const FakeDocument& document, TextRecognizer& recognizer, std::optional<WorkerPlan> plan,
                           ScanProgress& progress = ignoredProgress()) {
    if (!plan) return extract(document, recognizer, progress);
    ForkedScanReader reader(
        recognizer, [] {}, std::move(*plan), progress);
    return extract(document, reader);
}

Pages scans(std::vector<std::int64_t> ids) {
    Pages pages;
    for (const auto id : ids) pages.push_back(PageSpec{"", id});
    return pages;
}

bool noChildLeft() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

TEST(PageWalk, ReadsAsOneProcessWithinJobsAndMemory) {
    const Pages pages = {PageSpec{" prima\n pagina "}, PageSpec{" \t\r\n", 1}, std::nullopt, PageSpec{"", 4},
                         PageSpec{"", kBlank},         PageSpec{"."}};
    const ExtractionResult expected{{{1, "prima pagina"}, {2, "testo 1"}, {4, "testo 4"}, {6, "."}}, true};
    const struct {
        std::optional<WorkerPlan> plan;
        int mostAtOnce, readInWorkers;
    } cases[] = {
        {std::nullopt, 1, 0},
        {WorkerPlan{1, 60.0}, 1, 3},
        {WorkerPlan{2, std::nullopt}, 2, 3},
        {WorkerPlan{8, 60.0}, 3, 3},
        // Memory for two workers, with those already started counted as spent.
        {WorkerPlan{8, std::nullopt, [] { return std::optional<std::int64_t>(70 << 20); }}, 2, 3},
    };
    for (const auto& c : cases) {
        const unsigned jobs = c.plan ? c.plan->jobs : 0;
        FakeRecognizer recognizer;
        recognizer.tally->awaited = c.mostAtOnce;
        FakeDocument document(pages);
        RecordedProgress progress;
        EXPECT_EQ(extracted(document, recognizer, c.plan, progress), expected) << jobs;
        EXPECT_EQ(progress.events, (std::map<std::int64_t, std::string>{{2, "sf"}, {4, "sf"}, {5, "sf"}})) << jobs;
        EXPECT_EQ(recognizer.tally->mostAtOnce, c.mostAtOnce) << jobs;
        EXPECT_EQ(recognizer.tally->readInWorkers, c.readInWorkers) << jobs;
        EXPECT_EQ(document.fetched, (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5})) << jobs;
        EXPECT_TRUE(c.plan || document.maxLivePages == 1) << "one page alive at a time";
        EXPECT_TRUE(noChildLeft()) << jobs;
    }
    // A single page to read starts no worker.
    FakeRecognizer recognizer;
    RecordedProgress progress;
    EXPECT_EQ(
        extracted(FakeDocument({PageSpec{"uno"}, PageSpec{"", 2}}), recognizer, WorkerPlan{4, std::nullopt}, progress),
        (ExtractionResult{{{1, "uno"}, {2, "testo 2"}}, true}));
    EXPECT_EQ(recognizer.tally->readInWorkers, 0);
    EXPECT_EQ(progress.events, (std::map<std::int64_t, std::string>{{2, "sf"}}));
}

TEST(PageWalk, ReportsTheLowestFailedPageAndLeavesNoChildNorPage) {
    const auto ocr = [](int page, const std::string& detail) {
        return "OCR della pagina " + std::to_string(page) + " non riuscito: " + detail;
    };
    const std::string timedOut = ocr(1, "the time ran out: the page was not read within LEGGIPDF_PAGE_TIMEOUT (0.5 s)");
    const struct {
        Pages pages;
        std::string expected;
        bool inTurnToo;  // also read in turn in this process, which stops at the failed page
    } cases[] = {
        {scans({1, kFailure, -1}), ocr(2, "guasto"), true},
        {{PageSpec{"uno"}, std::nullopt, PageSpec{"", -1}, PageSpec{"", kFailure}},
         "rendering della pagina 3 non riuscito",
         true},
        {scans({kSlowFailure, kFailure, 1}), ocr(1, "guasto"), true},
        {{PageSpec{"", kSlowFailure}, PageSpec{"", 1, true}}, ocr(1, "guasto"), true},
        {scans({1, kCrash, kStuck}), ocr(2, "the page's reader died by signal 9 (Killed)"), false},
        {scans({1, kAbort, kStuck}), "errore inatteso", false},  // what an abort gives in one process
        {scans({kStuck, 1, kFailure}), timedOut, false},
        // Late while this process reads a slow text layer: the bound still holds.
        {{PageSpec{"", kLate}, PageSpec{"lento", 0, false, 1500}}, timedOut, false},
    };
    for (const auto& c : cases) {
        for (const auto& plan : {std::optional<WorkerPlan>(WorkerPlan{2, 0.5}), std::optional<WorkerPlan>()}) {
            if (!plan && !c.inTurnToo) continue;
            FakeRecognizer recognizer;
            FakeDocument document(c.pages);
            RecordedProgress progress;
            try {
                extracted(document, recognizer, plan, progress);
                ADD_FAILURE() << "no failure: " << c.expected;
            } catch (const ExtractionFailure& failure) {
                EXPECT_EQ(failure.description(), c.expected);
                EXPECT_TRUE(plan || static_cast<std::int64_t>(document.fetched.size()) == failure.pageNumber())
                    << c.expected << ": read on after the failed page";
                // A failed page started and was never reported read (the run's own failures name no page).
                EXPECT_TRUE(failure.pageNumber() <= 0 || progress.events[failure.pageNumber()] == "s") << c.expected;
            }
            EXPECT_TRUE(document.livePages == 0 && noChildLeft()) << c.expected;
        }
    }
}

// On a descriptor that is no terminal (no width, no foreground to ask about):
// redrawn no sooner than a quarter second after the last event of the same
// kind, erased at the end only if drawn, and only ever on a terminal.
TEST(ProgressLine, RedrawsAFewTimesASecondAndErasesItself) {
    const auto line = [](int page, int read, int started) {
        return "\rOCR: pagina " + std::to_string(page) + " di 9, lette " + std::to_string(read) + " di " +
               std::to_string(started) + "\033[K";
    };
    const struct {
        std::string events;  // 's' or 'f' and a page number, or 'p' for a pause of 300 ms
        bool throughTheGate;
        std::string expected;
    } cases[] = {
        {"", false, ""},
        {"s2f2s4s5f5f4", false, line(2, 0, 1) + line(2, 1, 1) + "\r\033[K"},
        {"s2p s3f3f2", false, line(2, 0, 1) + line(3, 0, 2) + line(3, 1, 2) + "\r\033[K"},
        {"s2f2", true, ""},
    };
    for (const auto& c : cases) {
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        {
            const auto progress =
                c.throughTheGate ? progressShownOn(ends[1], 9) : std::make_unique<ProgressLine>(ends[1], 9);
            for (std::size_t at = 0; at < c.events.size(); at += 2) {
                const std::int64_t page = c.events[at + 1] - '0';
                if (c.events[at] == 's') progress->pageStarted(page);
                if (c.events[at] == 'f') progress->pageFinished(page);
                if (c.events[at] == 'p') std::this_thread::sleep_for(300ms);
            }
        }
        close(ends[1]);
        EXPECT_EQ(testing::fileText("/dev/fd/" + std::to_string(ends[0])), c.expected) << c.events;
        close(ends[0]);
    }
}

}  // namespace
}  // namespace leggipdf
