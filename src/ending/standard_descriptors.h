#pragma once

namespace leggipdf {

/// Which of the standard descriptors were closed when the process started.
struct ClosedAtStart {
    bool input = false, output = false, errors = false;
};

/// Puts something on each of descriptors 0, 1 and 2 that is closed (as a
/// daemon or a cron job may leave them), so that no file opened later lands
/// there: the engine's log, say, opened on descriptor 1, would take the
/// result, and the run would end with status 0. What is put there gives end
/// of file to a read and fails every write (EBADF), and needs no file, not
/// even /dev/null. Call first thing in main. Returns which were closed.
ClosedAtStart occupiedStandardDescriptors() noexcept;

/// The read end of a pipe whose write end is closed: reads give end of file,
/// writes fail with EBADF. Close-on-exec; -1 when no pipe can be made.
int writeRefusingDescriptor() noexcept;

}  // namespace leggipdf
