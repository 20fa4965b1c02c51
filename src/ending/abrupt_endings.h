#pragma once

#include <signal.h>

#include <array>
#include <string>

namespace leggipdf {

/// The signals by which a library ends a process early: an abort (Poppler's
/// allocator right after a malloc that failed, an engine assertion), and
/// crashes (a library that uses the null pointer it was given, or divides by
/// zero, or traps).
inline constexpr std::array<int, 5> kEndingSignals = {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

/// While it lives, a library that ends the run early, by one of
/// kEndingSignals or by calling exit() (the engine's OpenMP runtime, when an
/// allocation fails), ends it with status 1 and one of our texts and a line
/// feed on `descriptor`: memoria insufficiente when errno says memory ran out
/// (ENOMEM), errore inatteso otherwise. `beforeText` runs first (it erases the
/// progress line). The signals are handled on a stack of their own, so a
/// crash on a stack that has run out (a library recursing into a deeply
/// nested file) is handled too.
class RunEndings {
public:
    RunEndings(int descriptor, void (*beforeText)() noexcept);
    ~RunEndings();
    RunEndings(const RunEndings&) = delete;
    RunEndings& operator=(const RunEndings&) = delete;

private:
    std::array<struct sigaction, kEndingSignals.size()> previous_ = {};
    stack_t previousStack_ = {};
};

/// For the rest of a worker process, forked from the run or not: an abort or
/// an exit() ends it with `memory` (ENOMEM) or `other` written to `descriptor`,
/// its answer to the parent, instead of a run's text beside the parent's own;
/// a crash ends it by its signal, which the parent names.
void answerAbruptEndings(int descriptor, std::string memory, std::string other);

/// Writes the answer given to answerAbruptEndings for memory that ran out,
/// allocating nothing, and ends the process with status 1.
[[noreturn]] void endOutOfMemory() noexcept;

}  // namespace leggipdf
