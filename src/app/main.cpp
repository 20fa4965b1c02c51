#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "app/run.h"
#include "extraction/extract.h"

int main(int argc, char** argv) {
    // A reader that goes away must surface as a failed write (status 1 and a
    // message), not as a silent death by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> arguments(argv, argv + argc);
    return leggipdf::run(arguments, STDOUT_FILENO, STDERR_FILENO,
                         [](const std::string& path) { return leggipdf::extract(path); });
}
