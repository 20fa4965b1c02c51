#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>

#include "extraction/scan_progress.h"

namespace leggipdf {

/// One line on a terminal that tells the person waiting there how the pages
/// without a text layer are going: "OCR: pagina 7 di 300, lette 3 di 5" is
/// page 7 of the document's 300 the latest to start, 3 pages read of the 5
/// started so far. Which pages need reading is learnt only as the walk meets
/// them, so the second count grows as it goes. The line is drawn when the
/// first such page starts, redrawn in place with a carriage return, cut to
/// the terminal's width, and left alone while the run is a background job;
/// it is erased on destruction, so nothing written afterwards lands beside it.
class ProgressLine final : public ScanProgress {
public:
    ProgressLine(int terminal, std::int64_t pageCount) : terminal_(terminal), pageCount_(pageCount) {}
    ~ProgressLine() override;
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void pageStarted(std::int64_t pageNumber) override;
    void pageFinished(std::int64_t pageNumber) override;

private:
    enum Event { kStarted, kFinished };
    void redraw(Event event);

    int terminal_;
    std::int64_t pageCount_;
    std::int64_t started_ = 0, finished_ = 0, latest_ = 0;
    std::array<std::chrono::steady_clock::time_point, 2> drawn_{};  // last redraw for each kind of event
};

/// A ProgressLine on `descriptor` when it is a terminal, unless TERM says it
/// is a dumb one; otherwise a listener that shows nothing, so that scripts,
/// pipes, logs and dumb terminals get not one byte more.
std::unique_ptr<ScanProgress> progressShownOn(int descriptor, std::int64_t pageCount);

/// Erases the progress line if one is on the terminal. Safe in a signal
/// handler, for a run that ends past every destructor.
void eraseProgressLine() noexcept;

}  // namespace leggipdf
