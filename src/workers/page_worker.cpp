#include "workers/page_worker.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <new>
#include <sstream>
#include <system_error>

#include "extraction/extract.h"
#include "io/full_write.h"
#include "model/extraction_failure.h"

namespace leggipdf {
namespace {

// What the child sends: 'D' once the page is drawn, then one of 'T' and the
// text, 'R' and a rendering failure, 'O' and a recognition failure's detail,
// 'M' when memory ran out, 'A' for anything else that ended it early.
void sendAll(int fd, const std::string& bytes) {
    if (!writtenFully(fd, bytes)) _exit(1);
}

int answerDescriptor = -1;  // the child's end of the pipe, for its abort handler

// An abort in a library (Poppler's allocator right after a failed malloc, an
// engine assertion) ends the child with the answer the run would have given
// in one process: memory that ran out, or an unexpected error.
extern "C" void answerAbort(int) {
    const char* answer = errno == ENOMEM ? "M" : "A";
    (void)!write(answerDescriptor, answer, 1);
    _exit(1);
}

// The child ends with _exit; an exit is a library's (the engine's OpenMP
// runtime when an allocation fails), answered like an abort. Registered in
// the child, it runs before the run's own handler.
extern "C" void answerExit() { answerAbort(0); }

// SIGALRM, left to its default action, ends the child at its bound.
void boundedBy(double seconds) {
    itimerval timer = {};
    timer.it_value.tv_sec = static_cast<time_t>(seconds);
    timer.it_value.tv_usec = static_cast<suseconds_t>((seconds - std::floor(seconds)) * 1e6);
    if (timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0) timer.it_value.tv_usec = 1;
    signal(SIGALRM, SIG_DFL);
    setitimer(ITIMER_REAL, &timer, nullptr);
}

[[noreturn]] void readInChild(int fd, pid_t parent, const Page& page, std::int64_t pageNumber,
                              TextRecognizer& recognizer, std::optional<double> seconds) {
    // Nobody is left to wait for a child whose parent is gone, even one that
    // died before the request took effect.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    answerDescriptor = fd;
    signal(SIGABRT, answerAbort);  // replaces the run's, which would print a text of its own
    signal(SIGSEGV, SIG_DFL);      // a crash is the page's failure, named by its signal
    signal(SIGBUS, SIG_DFL);
    std::atexit(answerExit);
    if (seconds) boundedBy(*seconds);
    try {
        const PageImage image = drawnPage(page, pageNumber);
        sendAll(fd, "D");
        sendAll(fd, "T" + recognizedPageText(recognizer, image, pageNumber));
    } catch (const ExtractionFailure& failure) {
        const bool drawing = failure.kind() == ExtractionFailure::Kind::renderingFailed;
        sendAll(fd, (drawing ? "R" : "O") + failure.detail());
    } catch (const std::bad_alloc&) {
        sendAll(fd, "M");
    } catch (...) {
        sendAll(fd, "A");
    }
    _exit(0);  // no destructor or exit handler of the parent's objects runs twice
}

std::string outcome(const std::string& message, int status, std::int64_t pageNumber) {
    const std::string body = message.substr(message.starts_with('D') ? 1 : 0);
    switch (body.empty() ? '\0' : body[0]) {
        case 'T':
            return body.substr(1);
        case 'R':
            throw ExtractionFailure::renderingFailed(pageNumber);
        case 'O':
            throw ExtractionFailure::recognitionFailed(pageNumber, body.substr(1));
        case 'M':
            throw std::bad_alloc();
        case 'A':
            throw ExtractionFailure::unexpected();
    }
    if (WIFSIGNALED(status)) {
        throw ExtractionFailure::recognitionFailed(pageNumber, "the page's reader died by signal " +
                                                                   std::to_string(WTERMSIG(status)) + " (" +
                                                                   strsignal(WTERMSIG(status)) + ")");
    }
    throw ExtractionFailure::recognitionFailed(pageNumber, "the page's reader ended without an answer");
}

}  // namespace

PageWorker::PageWorker(const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer,
                       std::optional<double> seconds)
    : pageNumber_(pageNumber), seconds_(seconds), deadline_(Clock::time_point::max()) {
    if (seconds) {
        deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*seconds));
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    const pid_t parent = getpid();
    child_ = fork();
    if (child_ == 0) {
        close(ends[0]);
        readInChild(ends[1], parent, page, pageNumber, recognizer, seconds);
    }
    const int forkError = errno;
    close(ends[1]);
    pipe_ = ends[0];
    if (child_ < 0) {
        close(pipe_);  // the destructor does not run for a constructor that throws
        throw std::system_error(forkError, std::generic_category(), "fork");
    }
    fcntl(pipe_, F_SETFL, O_NONBLOCK);
}

PageWorker::~PageWorker() {
    if (child_ > 0) reaped(true);
    if (pipe_ >= 0) close(pipe_);
}

bool PageWorker::received() {
    char buffer[65536];
    for (;;) {
        const ssize_t count = read(pipe_, buffer, sizeof buffer);
        if (count == 0) return true;
        if (count > 0) {
            message_.append(buffer, static_cast<std::size_t>(count));
        } else if (errno == EAGAIN) {
            return false;  // nothing more for now: the read end does not block
        } else if (errno != EINTR) {
            return true;
        }
    }
}

int PageWorker::reaped(bool killFirst) {
    if (killFirst) kill(child_, SIGKILL);
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    return status;
}

std::string PageWorker::text() {
    const bool finished = received();
    const int status = reaped(!finished);
    const bool alarmed = seconds_ && WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
    if (finished && !alarmed) return outcome(message_, status, pageNumber_);
    if (message_.empty()) throw ExtractionFailure::renderingFailed(pageNumber_);
    std::ostringstream why;
    why << "the time ran out: the page was not read within LEGGIPDF_PAGE_TIMEOUT (" << *seconds_ << " s)";
    throw ExtractionFailure::recognitionFailed(pageNumber_, why.str());
}

}  // namespace leggipdf
