#include "app/run.h"

#include <unistd.h>

#include <cerrno>
#include <new>

#include "app/extract_file.h"
#include "model/extraction_failure.h"
#include "model/json_form.h"

namespace leggipdf {
namespace {

// Writes every byte, resuming after signals and short writes.
bool writtenFully(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

int failed(const std::string& text) {
    // Nothing more can be reported if stderr itself is gone; the status says it.
    (void)writtenFully(STDERR_FILENO, text + "\n");
    return 1;
}

}  // namespace

int run(const std::vector<std::string>& arguments) {
    try {
        if (arguments.size() != 2) throw ExtractionFailure::invalidArguments();
        std::string document = encoded(extract(arguments[1]));
        document.push_back('\n');
        if (!writtenFully(STDOUT_FILENO, document)) throw ExtractionFailure::outputFailed();
        return 0;
    } catch (const ExtractionFailure& failure) {
        return failed(failure.description());
    } catch (const std::bad_alloc&) {
        return failed(ExtractionFailure::outOfMemory().description());
    } catch (...) {
        // A library's own text (in English, its wording free to change) would
        // break the promise that stderr holds one of the texts above.
        return failed(ExtractionFailure::unexpected().description());
    }
}

}  // namespace leggipdf
