#include "workers/page_worker.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <new>
#include <system_error>

#include "ending/worker_answer.h"
#include "extraction/extract.h"
#include "model/extraction_failure.h"

namespace leggipdf {
namespace {

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
    const WorkerAnswer answer(fd);
    if (seconds) boundedBy(*seconds);
    try {
        const PageImage image = drawnPage(page, pageNumber);
        answer.drawn();
        answer.text(recognizedPageText(recognizer, image, pageNumber));
    } catch (const ExtractionFailure& failure) {
        answer.failure(failure);
    } catch (const std::bad_alloc&) {
        answer.outOfMemory();
    } catch (...) {
        answer.failure(ExtractionFailure::unexpected());
    }
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
    const WorkerReply reply = workerReply(message_);
    if (!finished || alarmed) {
        if (!reply.drawn) throw ExtractionFailure::renderingFailed(pageNumber_);
        throw ExtractionFailure::pageTimedOut(pageNumber_, *seconds_);
    }
    if (reply.text) return *reply.text;
    if (reply.failure) throw *reply.failure;
    throw ExtractionFailure::readerLost(pageNumber_, WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace leggipdf
