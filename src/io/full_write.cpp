#include "io/full_write.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace leggipdf {

// A descriptor that a parent made non-blocking says EAGAIN while its reader
// is slow: that is a wait, not a failure.
bool writtenFully(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd writable{fd, POLLOUT, 0};
            (void)poll(&writable, 1, -1);
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace leggipdf
