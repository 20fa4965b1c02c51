#include "ending/abrupt_endings.h"

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <utility>

#include "model/extraction_failure.h"

namespace leggipdf {
namespace {

// What a process that a library ends writes, and where; set before the
// handlers are installed, as they can allocate nothing. `lasting` is true
// while a run or a worker lasts.
struct Ending {
    int descriptor = -1;
    std::string memory, other;
    void (*before)() noexcept = nullptr;
    bool lasting = false;
};
Ending ending;

extern "C" [[noreturn]] void endAbruptly(int) {
    const std::string& text = errno == ENOMEM ? ending.memory : ending.other;
    if (ending.before) ending.before();
    (void)!write(ending.descriptor, text.data(), text.size());
    _exit(1);
}

// A process of ours ends with _exit, or returns from main once the run is
// over; an exit() while it lasts is a library's, answered like an abort.
extern "C" void endExited() {
    if (ending.lasting) endAbruptly(0);
}

void exitsAnswered() {
    static const bool registered = std::atexit(endExited) == 0;
    (void)registered;
}

}  // namespace

RunEndings::RunEndings(int descriptor, void (*beforeText)() noexcept) {
    ending = {descriptor, ExtractionFailure::outOfMemory().description() + "\n",
              ExtractionFailure::unexpected().description() + "\n", beforeText, true};
    static std::array<std::byte, 64 * 1024> handlerStack;
    stack_t ownStack = {};
    ownStack.ss_sp = handlerStack.data();
    ownStack.ss_size = handlerStack.size();
    sigaltstack(&ownStack, &previousStack_);
    struct sigaction ended = {};
    ended.sa_handler = endAbruptly;
    ended.sa_flags = SA_ONSTACK;
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) sigaction(kEndingSignals[i], &ended, &previous_[i]);
    exitsAnswered();
}

RunEndings::~RunEndings() {
    ending.lasting = false;
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) sigaction(kEndingSignals[i], &previous_[i], nullptr);
    sigaltstack(&previousStack_, nullptr);
}

void answerAbruptEndings(int descriptor, std::string memory, std::string other) {
    ending = {descriptor, std::move(memory), std::move(other), nullptr, true};
    struct sigaction ended = {};
    ended.sa_flags = SA_ONSTACK;
    for (const int signal : kEndingSignals) {
        // A crash is the page's failure, named by its signal in the parent.
        ended.sa_handler = signal == SIGABRT ? endAbruptly : SIG_DFL;
        sigaction(signal, &ended, nullptr);
    }
    exitsAnswered();
}

void endOutOfMemory() noexcept {
    errno = ENOMEM;
    endAbruptly(0);
}

}  // namespace leggipdf
