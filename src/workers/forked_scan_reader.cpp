#include "workers/forked_scan_reader.h"

#include <poll.h>

#include <algorithm>
#include <fstream>
#include <system_error>

namespace leggipdf {
namespace {

// What a worker adds beyond the pages it shares with this process (26 MB
// measured on a dense A4 page), and how many copies of the bitmap the engine
// makes (the grey image, its thresholded form and the line images).
constexpr std::int64_t kWorkerBytes = 32LL << 20;
constexpr std::int64_t kBitmapCopies = 4;

int millisecondsUntil(PageWorker::Clock::time_point deadline) {
    if (deadline == PageWorker::Clock::time_point::max()) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - PageWorker::Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

}  // namespace

std::optional<std::int64_t> WorkerPlan::availableMemoryOfMachine() {
    std::ifstream meminfo("/proc/meminfo");
    std::string name;
    std::int64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> name >> kilobytes >> unit) {
        if (name == "MemAvailable:") return kilobytes * 1024;
    }
    return std::nullopt;
}

void ForkedScanReader::read(std::unique_ptr<Page> page, std::int64_t pageNumber) {
    throwIfFailed();
    if (holdsThisPage()) {
        held_ = HeldPage{std::move(page), pageNumber};
        return;
    }
    if (held_) {
        start(*held_->page, held_->number);
        held_.reset();
    }
    start(*page, pageNumber);
}

std::map<std::int64_t, std::string> ForkedScanReader::texts() {
    throwEarlierFailure();
    return std::move(texts_);
}

void ForkedScanReader::throwEarlierFailure() {
    if (held_) {
        const HeldPage held = std::move(*held_);
        held_.reset();
        readHere(*held.page, held.number);
    }
    while (!running_.empty() && failures_.empty()) awaitOne();
    throwIfFailed();
}

bool ForkedScanReader::holdsThisPage() const {
    // Without a time bound, the first page waits for a second before any
    // worker starts: a document with one page to read is read here, without
    // the cost of a process.
    return !plan_.pageSeconds && !workersStarted_ && !held_;
}

void ForkedScanReader::readHere(const Page& page, std::int64_t pageNumber) {
    texts_[pageNumber] = scannedPageText(page, pageNumber, recognizer_, progress_);
}

void ForkedScanReader::start(const Page& page, std::int64_t pageNumber) {
    const std::int64_t needed = kWorkerBytes + kBitmapCopies * plan_.imageBytes(pageNumber);
    while (!running_.empty() && (running_.size() >= plan_.jobs || !roomFor(needed))) awaitOne();
    throwIfFailed();
    startWorkers();
    for (;;) {
        try {
            running_.push_back(
                {std::make_unique<PageWorker>(page, pageNumber, recognizer_, plan_.pageSeconds), needed});
            progress_.pageStarted(pageNumber);
            return;
        } catch (const std::system_error&) {
            // Out of processes or descriptors: a running worker frees one;
            // with none running, this process reads the page (unbounded).
            if (running_.empty()) {
                readHere(page, pageNumber);
                return;
            }
            awaitOne();
            throwIfFailed();
        }
    }
}

void ForkedScanReader::startWorkers() {
    if (workersStarted_) return;
    // Loaded once here so that every worker shares it. When loading fails,
    // the failure is kept: each worker meets it, without loading again, on
    // the page where the walk in one process would have met it (a blank page
    // needs no engine).
    try {
        loadRecognizer_();
    } catch (...) {
    }
    workersStarted_ = true;
}

bool ForkedScanReader::roomFor(std::int64_t bytes) const {
    // Workers just started have not drawn their pages yet: what is set aside
    // for them counts as spent.
    std::int64_t setAside = 0;
    for (const auto& running : running_) setAside += running.setAside;
    const std::optional<std::int64_t> available = plan_.availableMemory();
    return !available || *available >= setAside + bytes;
}

void ForkedScanReader::awaitOne() {
    for (;;) {
        std::vector<pollfd> answers;
        auto deadline = PageWorker::Clock::time_point::max();
        for (const auto& running : running_) {
            answers.push_back({running.worker->descriptor(), POLLIN, 0});
            deadline = std::min(deadline, running.worker->deadline());
        }
        poll(answers.data(), answers.size(), millisecondsUntil(deadline));
        const auto now = PageWorker::Clock::now();
        std::size_t finished = 0;
        for (std::size_t i = 0; i < running_.size(); ++i) {
            PageWorker& worker = *running_[i].worker;
            if ((answers[i].revents != 0 && worker.received()) || now >= worker.deadline()) {
                finish(worker);
                running_[i].worker.reset();
                ++finished;
            }
        }
        std::erase_if(running_, [](const Running& running) { return !running.worker; });
        if (finished > 0) return;
    }
}

void ForkedScanReader::finish(PageWorker& worker) {
    try {
        texts_[worker.pageNumber()] = worker.text();
        progress_.pageFinished(worker.pageNumber());
    } catch (...) {
        failures_[worker.pageNumber()] = std::current_exception();
    }
}

void ForkedScanReader::throwIfFailed() {
    if (failures_.empty()) return;
    awaitPagesBeforeFirstFailure();
    std::rethrow_exception(failures_.begin()->second);
}

void ForkedScanReader::awaitPagesBeforeFirstFailure() {
    for (;;) {
        const std::int64_t first = failures_.begin()->first;
        // Later pages cannot change the outcome; earlier ones can still fail first.
        std::erase_if(running_, [first](const Running& running) { return running.worker->pageNumber() > first; });
        if (running_.empty()) return;
        awaitOne();
    }
}

}  // namespace leggipdf
