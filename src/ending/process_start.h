#pragma once

namespace leggipdf {

/// Which of the standard descriptors were closed when the process started.
struct ClosedAtStart {
    bool input = false, output = false, errors = false;
};

/// Sets the process up to end as the tool promises; call first thing in main.
/// Each of descriptors 0, 1 and 2 that is closed (as a daemon or a cron job
/// may leave them) is given something that gives end of file to a read and
/// fails every write (EBADF), so that no file opened later lands there: the
/// engine's log opened on descriptor 1, say, took the result, and the run
/// ended with status 0. It needs no file, not even /dev/null. A reader that
/// goes away fails a write (SIGPIPE ignored) instead of ending the process
/// silently, and a worker's end can be read (SIGCHLD not ignored). Returns
/// which descriptors were closed.
ClosedAtStart startedProcess() noexcept;

/// The read end of a pipe whose write end is closed: reads give end of file,
/// writes fail with EBADF. Close-on-exec; -1 when no pipe can be made.
int writeRefusingDescriptor() noexcept;

}  // namespace leggipdf
