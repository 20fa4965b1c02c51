#include "ending/quiet_stderr.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "ending/process_start.h"
#include "io/full_write.h"

namespace leggipdf {

// The writes to the memory file succeed, as they did to /dev/null: a failed
// one would leave its errno to a library that aborts next, and memory that ran
// out (ENOMEM) would read as an unexpected error.
QuietStderr::QuietStderr() : real_(fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3)) {
    int sink = memfd_create("stderr", MFD_CLOEXEC);
    if (sink < 0) sink = writeRefusingDescriptor();
    if (real_ >= 0 && sink >= 0) dup2(sink, STDERR_FILENO);
    if (sink >= 0) close(sink);
}

QuietStderr::~QuietStderr() {
    if (real_ < 0) return;
    dup2(real_, STDERR_FILENO);
    close(real_);
}

int QuietStderr::descriptor() const { return real_ >= 0 ? real_ : STDERR_FILENO; }

int QuietStderr::failed(std::string_view text) const {
    // Nothing more can be reported if stderr itself is gone; the status says it.
    (void)(writtenFully(descriptor(), text) && writtenFully(descriptor(), "\n"));
    return 1;
}

}  // namespace leggipdf
