#include "ending/process_start.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace leggipdf {

int writeRefusingDescriptor() noexcept {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return -1;
    close(ends[1]);
    return ends[0];
}

ClosedAtStart startedProcess() noexcept {
    bool closed[3] = {};
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        closed[descriptor] = fcntl(descriptor, F_GETFD) < 0 && errno == EBADF;
        if (!closed[descriptor]) continue;
        // Every descriptor below this one is open, so the read end lands on it.
        const int refusing = writeRefusingDescriptor();
        if (refusing > descriptor) {
            dup2(refusing, descriptor);
            close(refusing);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    // Inherited as ignored, SIGCHLD would let the kernel reap the workers
    // before their status (the signal that ended one) could be read.
    std::signal(SIGCHLD, SIG_DFL);
    return {closed[0], closed[1], closed[2]};
}

}  // namespace leggipdf
