#include "app/run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "app/extract_file.h"
#include "app/settings.h"
#include "io/full_write.h"
#include "model/extraction_failure.h"
#include "model/json_form.h"
#include "progress/progress_line.h"

namespace leggipdf {
namespace {

// What a run that a library ends prints, and where; set before the handlers
// are installed. `lasting` is true while the run lasts.
struct AbortTexts {
    int descriptor = -1;
    std::string memory, other;
    bool lasting = false;
};
AbortTexts abortTexts;

// Poppler's allocator ends the process with abort() right after a malloc that
// failed (errno is then ENOMEM), and so do the engine's assertions, past every
// catch; the colour library Poppler uses crashes on a failed malloc it does
// not check. The run ends instead with one of our texts.
extern "C" void endAbortedRun(int) {
    const std::string& text = errno == ENOMEM ? abortTexts.memory : abortTexts.other;
    eraseProgressLine();
    (void)!write(abortTexts.descriptor, text.data(), text.size());
    _exit(1);
}

// The engine's OpenMP runtime calls exit(1) when an allocation fails, with
// its message on the silenced stderr. Ended so in the middle of the run, the
// run ends as if that had been an abort.
extern "C" void endExitedRun() {
    if (abortTexts.lasting) endAbortedRun(0);
}

// Poppler, fontconfig and the engine write some messages straight to
// descriptor 2, past any callback. While the run lasts, descriptor 2 is a file
// in memory that nobody reads (a container's empty /dev has no /dev/null) and
// our own failure text goes to a private duplicate of the real stderr. The
// writes there succeed, as they did to /dev/null: a failed one would leave its
// errno to a library that aborts next, and memory that ran out (ENOMEM) would
// read as an unexpected error.
class QuietStderr {
public:
    QuietStderr() : real_(fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3)) {
        int sink = memfd_create("stderr", MFD_CLOEXEC);
        if (sink < 0) sink = writeRefusingDescriptor();
        if (real_ >= 0 && sink >= 0) dup2(sink, STDERR_FILENO);
        if (sink >= 0) close(sink);
    }
    ~QuietStderr() {
        if (real_ < 0) return;
        dup2(real_, STDERR_FILENO);
        close(real_);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

    /// Where our own texts go.
    int descriptor() const { return real_ >= 0 ? real_ : STDERR_FILENO; }

    // Allocates nothing, as memory may be what ran out.
    int failed(std::string_view text) const {
        // Nothing more can be reported if stderr itself is gone; the status says it.
        (void)(writtenFully(descriptor(), text) && writtenFully(descriptor(), "\n"));
        return 1;
    }

private:
    int real_;
};

// While it lives, an abort, a crash or an exit ends the run with one of our
// texts on `descriptor`.
class AbortEndsRun {
public:
    explicit AbortEndsRun(int descriptor) {
        abortTexts = {descriptor, ExtractionFailure::outOfMemory().description() + "\n",
                      ExtractionFailure::unexpected().description() + "\n", true};
        // A crash on a stack that has run out (a library recursing into a
        // deeply nested file) leaves no room to handle it there.
        static std::array<std::byte, 64 * 1024> handlerStack;
        stack_t ownStack = {};
        ownStack.ss_sp = handlerStack.data();
        ownStack.ss_size = handlerStack.size();
        sigaltstack(&ownStack, &previousStack_);
        struct sigaction ended = {};
        ended.sa_handler = endAbortedRun;
        ended.sa_flags = SA_ONSTACK;
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &ended, &previous_[i]);
        static const bool atExit = std::atexit(endExitedRun) == 0;
        (void)atExit;
    }
    ~AbortEndsRun() {
        abortTexts.lasting = false;
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
        sigaltstack(&previousStack_, nullptr);
    }
    AbortEndsRun(const AbortEndsRun&) = delete;
    AbortEndsRun& operator=(const AbortEndsRun&) = delete;

private:
    static constexpr std::array<int, 3> kSignals = {SIGABRT, SIGSEGV, SIGBUS};
    std::array<struct sigaction, kSignals.size()> previous_ = {};
    stack_t previousStack_ = {};
};

}  // namespace

int run(const std::vector<std::string>& arguments, ClosedAtStart closedAtStart) {
    const QuietStderr stderrForUs;
    try {
        const AbortEndsRun abortsEndTheRun(stderrForUs.descriptor());
        if (arguments.size() != 2) throw ExtractionFailure::invalidArguments();
        const Settings settings = settingsFromEnvironment();  // before the document is opened
        std::string document = encoded(extractFile(arguments[1], settings, stderrForUs.descriptor()));
        document.push_back('\n');
        if (closedAtStart.output || !writtenFully(STDOUT_FILENO, document)) throw ExtractionFailure::outputFailed();
        return 0;
    } catch (const ExtractionFailure& failure) {
        return stderrForUs.failed(failure.description());
    } catch (const std::bad_alloc&) {
        return stderrForUs.failed(kOutOfMemoryText);
    } catch (...) {
        // A library's own text (in English, its wording free to change) would
        // break the promise that stderr holds one of the texts above.
        return stderrForUs.failed(ExtractionFailure::unexpected().description());
    }
}

}  // namespace leggipdf
