#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "extraction/extract.h"
#include "workers/page_worker.h"

namespace leggipdf {

/// How pages without a text layer are read in child processes.
struct WorkerPlan {
    /// Pages read at once, at most.
    unsigned jobs = 1;
    /// Bound on each page's drawing and reading; none when empty.
    std::optional<double> pageSeconds;
    /// Bytes the machine can still give; empty when unknown.
    std::function<std::optional<std::int64_t>()> availableMemory = availableMemoryOfMachine;
    /// Bytes of the bitmap the page with this number will be drawn in; 0 when
    /// unknown.
    std::function<std::int64_t(std::int64_t pageNumber)> imageBytes = [](std::int64_t) { return std::int64_t{0}; };

    static std::optional<std::int64_t> availableMemoryOfMachine();
};

/// Reads each page handed over in a PageWorker, up to `jobs` at once, all of
/// them forked after `loadRecognizer` has run so that they share its model.
/// Another worker starts only while the machine's available memory holds what
/// is set aside for the running ones and one more with its page's bitmap.
/// Without a time bound, a document with a single page to read starts no
/// worker: that page is read in this process, as is a page for which no
/// process can be made while none is running (otherwise it waits for one).
/// On a failure the workers of later pages are killed and those of earlier
/// pages awaited, so the failure thrown is the lowest-numbered page's.
/// `progress` hears each page start (as its worker is forked) and finish (as
/// its answer comes, in whatever order), here in the parent.
class ForkedScanReader final : public ScanReader {
public:
    ForkedScanReader(TextRecognizer& recognizer, std::function<void()> loadRecognizer, WorkerPlan plan,
                     ScanProgress& progress = ignoredProgress())
        : recognizer_(recognizer),
          loadRecognizer_(std::move(loadRecognizer)),
          plan_(std::move(plan)),
          progress_(progress) {}

    void read(std::unique_ptr<Page> page, std::int64_t pageNumber) override;
    std::map<std::int64_t, std::string> texts() override;
    void throwEarlierFailure() override;

private:
    struct Running {
        std::unique_ptr<PageWorker> worker;  // destroyed with the reader: kills what still runs
        std::int64_t setAside = 0;           // bytes of memory counted for it
    };
    struct HeldPage {
        std::unique_ptr<Page> page;
        std::int64_t number = 0;
    };

    bool holdsThisPage() const;
    void readHere(const Page& page, std::int64_t pageNumber);
    void start(const Page& page, std::int64_t pageNumber);
    void startWorkers();
    bool roomFor(std::int64_t bytes) const;
    void awaitOne();
    void finish(PageWorker& worker);
    void throwIfFailed();
    void awaitPagesBeforeFirstFailure();

    TextRecognizer& recognizer_;
    std::function<void()> loadRecognizer_;
    WorkerPlan plan_;
    ScanProgress& progress_;
    bool workersStarted_ = false;
    std::optional<HeldPage> held_;  // the first page, until a second one shows a worker is worth it
    std::vector<Running> running_;
    std::map<std::int64_t, std::string> texts_;
    std::map<std::int64_t, std::exception_ptr> failures_;
};

}  // namespace leggipdf
