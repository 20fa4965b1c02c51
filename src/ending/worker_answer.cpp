#include "ending/worker_answer.h"

#include <unistd.h>

#include <stdexcept>

#include "ending/abrupt_endings.h"
#include "io/full_write.h"

namespace leggipdf {
namespace {

constexpr char kDrawn = 'D', kText = 'T', kFailure = 'F';

std::string failureAnswer(const ExtractionFailure& failure) { return kFailure + failure.serialized(); }

void sent(int descriptor, std::string_view bytes) {
    if (!writtenFully(descriptor, bytes)) _exit(1);
}

}  // namespace

WorkerAnswer::WorkerAnswer(int descriptor) : descriptor_(descriptor) {
    answerAbruptEndings(descriptor, failureAnswer(ExtractionFailure::outOfMemory()),
                        failureAnswer(ExtractionFailure::unexpected()));
}

void WorkerAnswer::drawn() const { sent(descriptor_, std::string_view(&kDrawn, 1)); }

void WorkerAnswer::text(const std::string& text) const {
    sent(descriptor_, kText + text);
    _exit(0);  // no destructor or exit handler of the parent's objects runs twice
}

void WorkerAnswer::failure(const ExtractionFailure& failure) const {
    sent(descriptor_, failureAnswer(failure));
    _exit(0);
}

void WorkerAnswer::outOfMemory() const { endOutOfMemory(); }

WorkerReply workerReply(std::string_view answer) {
    WorkerReply reply;
    reply.drawn = answer.starts_with(kDrawn);
    if (reply.drawn) answer.remove_prefix(1);
    if (answer.starts_with(kText)) {
        reply.text = std::string(answer.substr(1));
    } else if (answer.starts_with(kFailure)) {
        try {
            reply.failure = ExtractionFailure::fromSerialized(answer.substr(1));
        } catch (const std::invalid_argument&) {
            // Cut short: no answer.
        }
    }
    return reply;
}

}  // namespace leggipdf
