#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "app/run.h"
#include "ending/process_start.h"
#include "model/extraction_failure.h"

int main(int argc, char** argv) {
    const leggipdf::ClosedAtStart closedAtStart = leggipdf::startedProcess();
    try {
        return leggipdf::run(std::vector<std::string>(argv, argv + argc), closedAtStart);
    } catch (const std::bad_alloc&) {
        // Before the run could take its own failures, or while it reported one.
        (void)!write(STDERR_FILENO, leggipdf::kOutOfMemoryText.data(), leggipdf::kOutOfMemoryText.size());
        (void)!write(STDERR_FILENO, "\n", 1);
        return 1;
    }
}
