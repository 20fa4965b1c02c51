#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "extraction/document.h"
#include "extraction/text_recognizer.h"

namespace leggipdf {

/// One page drawn and read as drawnPage and recognizedPageText do, in a child
/// process forked from this one: the child shares the loaded recogniser
/// copy-on-write, and a crash or a drawing that never ends stays in the
/// child. Load the recogniser before the first worker, or every child loads
/// its own engine. A worker destroyed before its answer kills and reaps the
/// child.
class PageWorker {
public:
    using Clock = std::chrono::steady_clock;

    /// Forks the child; `seconds`, when given, bounds the page from now on.
    /// The bound is kept by two clocks on purpose: the child's own alarm ends
    /// it on time while this process is busy elsewhere (reading a long text
    /// layer, say), and the deadline here ends a child whose alarm cannot
    /// (a library that blocks the signal, a child stopped by a debugger); a
    /// child ended by either reports the same time-out from text().
    /// Throws std::system_error when no process or pipe can be made.
    PageWorker(const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer, std::optional<double> seconds);
    ~PageWorker();
    PageWorker(const PageWorker&) = delete;
    PageWorker& operator=(const PageWorker&) = delete;

    std::int64_t pageNumber() const { return pageNumber_; }
    /// The descriptor to poll for the child's answer.
    int descriptor() const { return pipe_; }
    Clock::time_point deadline() const { return deadline_; }

    /// Reads what the child has sent so far; true once the answer is whole.
    bool received();
    /// Once received() is true or the deadline has passed: reaps the child and
    /// gives the page's text. Throws the ExtractionFailure the child answered
    /// with: what drawnPage and recognizedPageText throw, outOfMemory when it
    /// ran out of memory, unexpected when a library aborted or threw something
    /// else; renderingFailed or pageTimedOut when the time ran out (as the page
    /// was being drawn or read); readerLost when the child died without an
    /// answer.
    std::string text();

private:
    int reaped(bool killFirst);

    std::int64_t pageNumber_;
    std::optional<double> seconds_;
    Clock::time_point deadline_;
    pid_t child_ = -1;
    int pipe_ = -1;
    std::string message_;
};

}  // namespace leggipdf
