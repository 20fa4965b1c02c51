#include "app/page_timeout.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>

#include "app/full_write.h"
#include "extraction/extract.h"
#include "model/extraction_failure.h"

namespace leggipdf {
namespace {

// What the child sends: 'D' once the page is drawn, then one of 'T' and the
// text, 'R' and a rendering failure, 'O' and a recognition failure's detail,
// 'M' when memory ran out.
void sendAll(int fd, const std::string& bytes) {
    if (!writtenFully(fd, bytes)) _exit(1);
}

[[noreturn]] void readInChild(int fd, const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer) {
    // Nobody is left to wait for a child whose parent is gone.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    try {
        const std::string text = scannedPageText(page, pageNumber, recognizer, [fd] { sendAll(fd, "D"); });
        sendAll(fd, "T" + text);
    } catch (const ExtractionFailure& failure) {
        const bool drawing = failure.kind() == ExtractionFailure::Kind::renderingFailed;
        sendAll(fd, (drawing ? "R" : "O") + failure.detail());
    } catch (const std::bad_alloc&) {
        sendAll(fd, "M");
    } catch (...) {
        _exit(1);
    }
    _exit(0);  // no destructor or exit handler of the parent's objects runs twice
}

// Reads the child's message until it closes the pipe or the deadline passes.
bool received(int fd, double seconds, std::string& message) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    char buffer[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd readable{fd, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(std::min<long long>(left.count() + 1, 1 << 30)));
        if (ready <= 0) continue;
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count == 0) return true;
        if (count > 0) message.append(buffer, static_cast<std::size_t>(count));
    }
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
    }
    if (WIFSIGNALED(status)) {
        throw ExtractionFailure::recognitionFailed(pageNumber, "the page's reader died by signal " +
                                                                   std::to_string(WTERMSIG(status)) + " (" +
                                                                   strsignal(WTERMSIG(status)) + ")");
    }
    throw ExtractionFailure::recognitionFailed(pageNumber, "the page's reader ended without an answer");
}

}  // namespace

std::optional<double> pageTimeout() {
    const char* value = std::getenv("LEGGIPDF_PAGE_TIMEOUT");
    if (!value || !*value) return std::nullopt;
    char* end = nullptr;
    const double seconds = std::strtod(value, &end);
    // Whole value, a plain number: no "inf", "nan", hexadecimal or sign games.
    const bool plain = std::strspn(value, "0123456789.") == std::strlen(value);
    if (*end || !plain || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e9) {
        throw ExtractionFailure::invalidSetting("LEGGIPDF_PAGE_TIMEOUT");
    }
    return seconds;
}

std::string boundedScanText(double seconds, const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer) {
    try {
        recognizer.prepare();
    } catch (const std::exception& error) {
        throw ExtractionFailure::recognitionFailed(pageNumber, error.what());
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) throw std::bad_alloc();
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        readInChild(ends[1], page, pageNumber, recognizer);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        throw std::bad_alloc();
    }
    std::string message;
    const bool finished = received(ends[0], seconds, message);
    close(ends[0]);
    if (!finished) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (finished) return outcome(message, status, pageNumber);
    if (message.empty()) throw ExtractionFailure::renderingFailed(pageNumber);
    std::ostringstream why;
    why << "the time ran out: the page was not read within LEGGIPDF_PAGE_TIMEOUT (" << seconds << " s)";
    throw ExtractionFailure::recognitionFailed(pageNumber, why.str());
}

}  // namespace leggipdf
