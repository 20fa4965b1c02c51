#include <unistd.h>

#include <csignal>
#include <new>
#include <string>
#include <vector>

#include "app/run.h"
#include "ending/standard_descriptors.h"
#include "model/extraction_failure.h"

int main(int argc, char** argv) {
    const leggipdf::ClosedAtStart closedAtStart = leggipdf::occupiedStandardDescriptors();
    // A reader that goes away must surface as a failed write (status 1 and a
    // message), not as a silent death by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    // Inherited as ignored, SIGCHLD would let the kernel reap the workers
    // before their status (the signal that ended one) could be read.
    std::signal(SIGCHLD, SIG_DFL);
    try {
        return leggipdf::run(std::vector<std::string>(argv, argv + argc), closedAtStart);
    } catch (const std::bad_alloc&) {
        // Before the run could take its own failures, or while it reported one.
        (void)!write(STDERR_FILENO, leggipdf::kOutOfMemoryText.data(), leggipdf::kOutOfMemoryText.size());
        (void)!write(STDERR_FILENO, "\n", 1);
        return 1;
    }
}
