#include "app/run.h"

#include <unistd.h>

#include <new>
#include <string>

#include "app/extract_file.h"
#include "app/settings.h"
#include "ending/abrupt_endings.h"
#include "ending/quiet_stderr.h"
#include "io/full_write.h"
#include "model/extraction_failure.h"
#include "model/json_form.h"
#include "progress/progress_line.h"

namespace leggipdf {

int run(const std::vector<std::string>& arguments, ClosedAtStart closedAtStart) {
    const QuietStderr stderrForUs;
    try {
        const RunEndings abruptEndings(stderrForUs.descriptor(), eraseProgressLine);
        if (arguments.size() != 2) throw ExtractionFailure::invalidArguments();
        const Settings settings = settingsFromEnvironment();  // before the document is opened
        std::string document = encoded(extractFile(arguments[1], settings, stderrForUs.descriptor()));
        document.push_back('\n');
        if (closedAtStart.output || !writtenFully(STDOUT_FILENO, document)) throw ExtractionFailure::outputFailed();
        return 0;
    } catch (const ExtractionFailure& failure) {
        return stderrForUs.failed(failure.description());
    } catch (const std::bad_alloc&) {
        return stderrForUs.failed(kOutOfMemoryText);
    } catch (...) {
        // A library's own text (in English, its wording free to change) would
        // break the promise that stderr holds one of the texts above.
        return stderrForUs.failed(ExtractionFailure::unexpected().description());
    }
}

}  // namespace leggipdf
