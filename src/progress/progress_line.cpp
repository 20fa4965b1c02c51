#include "progress/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <string_view>

#include "io/full_write.h"

namespace leggipdf {
namespace {

// Back to the start of the line, and clear to its end.
constexpr char kErasure[] = "\r\033[K";

// Pages drawn all white or refused at once can start and finish hundreds of
// times a second; the terminal is redrawn no faster than this for each kind of
// event. Two clocks rather than one so that a page starting just after another
// finished is still shown: it may be read for minutes.
constexpr auto kQuiet = std::chrono::milliseconds(250);

// The terminal a line is on, or -1; one line at most per process, and the
// abort handler must find it without touching any object.
volatile std::sig_atomic_t terminalShowingLine = -1;

// The last column is left free: writing into it makes some terminals move the
// cursor to the next line, where a carriage return no longer reaches the line.
std::string::size_type widthOf(int terminal) {
    winsize size = {};
    if (ioctl(terminal, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return std::string::npos;
    return size.ws_col - 1u;
}

// A background job (started with &, or suspended and resumed with bg) would
// draw over whatever the person is typing. A terminal that is not this
// process's controlling one has no foreground to compare with.
bool inForeground(int terminal) {
    const pid_t foreground = tcgetpgrp(terminal);
    return foreground < 0 || foreground == getpgrp();
}

}  // namespace

ProgressLine::~ProgressLine() {
    if (terminalShowingLine != terminal_) return;
    (void)writtenFully(terminal_, kErasure);
    terminalShowingLine = -1;
}

void ProgressLine::pageStarted(std::int64_t pageNumber) {
    ++started_;
    latest_ = std::max(latest_, pageNumber);
    redraw(kStarted);
}

void ProgressLine::pageFinished(std::int64_t) {
    ++finished_;
    redraw(kFinished);
}

void ProgressLine::redraw(Event event) {
    const auto now = std::chrono::steady_clock::now();
    if (now - drawn_[event] < kQuiet || !inForeground(terminal_)) return;
    drawn_[event] = now;
    std::string line = "OCR: pagina " + std::to_string(latest_) + " di " + std::to_string(pageCount_) + ", lette " +
                       std::to_string(finished_) + " di " + std::to_string(started_);
    line.resize(std::min(line.size(), widthOf(terminal_)));
    // Clearing after the text wipes what a longer line before left.
    if (writtenFully(terminal_, "\r" + line + "\033[K")) terminalShowingLine = terminal_;
}

std::unique_ptr<ScanProgress> progressShownOn(int descriptor, std::int64_t pageCount) {
    // A terminal that declares itself dumb (Emacs's shell buffer, say) would
    // show the erasing sequence as text.
    const char* kind = std::getenv("TERM");
    const bool dumb = kind != nullptr && std::string_view(kind) == "dumb";
    if (isatty(descriptor) != 1 || dumb) return std::make_unique<ScanProgress>();
    return std::make_unique<ProgressLine>(descriptor, pageCount);
}

void eraseProgressLine() noexcept {
    const int terminal = terminalShowingLine;
    if (terminal >= 0) (void)!write(terminal, kErasure, sizeof kErasure - 1);
}

}  // namespace leggipdf
