#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/extraction_failure.h"

namespace leggipdf {

/// How a worker process answers its parent about the one page it reads, on a
/// pipe: a mark once the page is drawn, then the page's text or the failure
/// that ended it, whole (kind, page number, detail), so that the failure
/// reaches the parent as itself. Made in the worker, it also has an abort or
/// an exit() there answer memoria insufficiente or errore inatteso, and a
/// crash end the worker by its signal (answerAbruptEndings).
class WorkerAnswer {
public:
    explicit WorkerAnswer(int descriptor);

    /// The page is drawn: a worker that runs out of time from now on was
    /// reading it.
    void drawn() const;
    /// Each writes its answer and ends the process, with status 1 when the
    /// pipe takes no more.
    [[noreturn]] void text(const std::string& text) const;
    [[noreturn]] void failure(const ExtractionFailure& failure) const;
    /// Allocates nothing, as memory is what ran out.
    [[noreturn]] void outOfMemory() const;

private:
    int descriptor_;
};

/// What a worker's whole answer says, as the parent reads it.
struct WorkerReply {
    bool drawn = false;
    /// The page's text, when it answered with one.
    std::optional<std::string> text;
    /// The failure it answered with; neither this nor a text when it ended
    /// without an answer.
    std::optional<ExtractionFailure> failure;
};
WorkerReply workerReply(std::string_view answer);

}  // namespace leggipdf
