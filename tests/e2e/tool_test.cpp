// The built binary: exact stdout bytes, stderr bytes and exit status on text
// layers, bad input, bad settings, exhausted memory, results that cannot be
// written; OCR modules that are stale, cut short or fail.
#include <gtest/gtest.h>

#include <filesystem>

#include "support.h"

namespace leggipdf {
namespace {

using testing::Outcome;
using testing::outputOf;
using testing::testData;

const std::string kTool = LEGGIPDF_BINARY;

// Runs with 1 GB of address space (by default): enough for any ordinary page.
[[maybe_unused]] std::vector<std::string> limited(const std::string& path, const std::string& kilobytes = "1000000") {
    return {"/bin/sh", "-c", "ulimit -v " + kilobytes + "; exec \"$0\" \"$1\"", kTool, path};
}
[[maybe_unused]] std::vector<std::string> withJobs(std::vector<std::string> command) {
    command.insert(command.begin(), "LEGGIPDF_JOBS=2");
    return command;
}
// The file at `path` handed over by a shell `script` that runs the tool ($0) on $1.
const std::string kPipe = "cat \"$1\" | exec \"$0\" /dev/stdin";
const std::string kFifo = "f=$(mktemp -u); mkfifo \"$f\"; cat \"$1\" >\"$f\" & \"$0\" \"$f\"; s=$?; rm \"$f\"; exit $s";
std::vector<std::string> through(const std::string& script, const std::string& path) {
    return {"/bin/bash", "-c", script, kTool, path};
}

TEST(Outcomes, EachHasItsExactBytes) {
    const std::string missing = "percorso PDF mancante\n", unreadable = "PDF non leggibile\n";
    const std::string tooLarge = "rendering della pagina 1 non riuscito\n", text = testData("text-three-pages.pdf");
    const std::string threePages = testing::fileText(testData("text-three-pages.json"));
    const auto invalid = [](const std::string& name) { return "valore di " + name + " non valido\n"; };
    const std::string scans = testData("scan-two-pages.pdf"), mixed = testData("mixed.pdf");
    const std::string scansOut = outputOf({kTool, scans}), mixedOut = outputOf({kTool, mixed});
    const std::string russian = testData("script-russian.pdf"), empty = "{\"pages\":[],\"usedOCR\":true}\n";
    const struct {
        std::vector<std::string> command;
        std::string out, err;
    } cases[] = {
        {{kTool, text}, threePages, ""},
        {{kTool, testData("owner-password-only.pdf")}, threePages, ""},
        {{kTool, testData("zero-pages.pdf")}, "{\"pages\":[],\"usedOCR\":false}\n", ""},
        {{kTool, testData("count-negative.pdf")}, "", unreadable},  // two pages behind a count that lies
        {{kTool, testData("count-huge.pdf")}, "", unreadable},
        {{kTool, testData("two-column.pdf")}, testing::fileText(testData("two-column.json")), ""},
        {{kTool}, "", missing},
        {{kTool, text, testData("zero-pages.pdf")}, "", missing},
        {{kTool, ""}, "", unreadable},
        {{kTool, testData("")}, "", unreadable},  // a directory
        {{kTool, testData("not-pdf.txt")}, "", unreadable},
        {{kTool, testData("garbage-after-header.pdf")}, "", unreadable},
        {{kTool, testData("truncated.pdf")}, "", unreadable},
        // What cannot seek is read into memory first, and read as the file is.
        {through(kPipe, text), threePages, ""},
        {withJobs(through(kPipe, scans)), scansOut, ""},
        {through(kFifo, scans), scansOut, ""},
        {withJobs(through("exec \"$0\" <(cat \"$1\")", mixed)), mixedOut, ""},
        {through(kPipe, "/dev/null"), "", unreadable},
        {through("head -c 1249 \"$1\" | exec \"$0\" /dev/stdin", text), "", unreadable},  // truncated.pdf's bytes
        {{kTool, testData("locked-user-password.pdf")}, "", unreadable},
        {{kTool, testData("unknown-crypt-filter.pdf")}, "", unreadable},
        {{kTool, testData("huge-mediabox.pdf")}, "", tooLarge},
        {{"LEGGIPDF_PAGE_TIMEOUT=abc", kTool, text}, "", invalid("LEGGIPDF_PAGE_TIMEOUT")},
        {{"LEGGIPDF_PAGE_TIMEOUT=0.0000009", kTool, text}, "", invalid("LEGGIPDF_PAGE_TIMEOUT")},
        {{"LEGGIPDF_PAGE_TIMEOUT=2.5", kTool, text}, threePages, ""},
        {{"LEGGIPDF_PAGE_TIMEOUT=1000000001", kTool, text}, threePages, ""},
        {{"LEGGIPDF_JOBS=0", kTool, text}, "", invalid("LEGGIPDF_JOBS")},
        {{"LEGGIPDF_JOBS=2x", kTool, text}, "", invalid("LEGGIPDF_JOBS")},
        {{"LEGGIPDF_JOBS=auto", kTool, text}, threePages, ""},
        {{"LEGGIPDF_JOBS=0000000002", kTool, text}, threePages, ""},
        {{"LEGGIPDF_JOBS=1000000000", kTool, text}, threePages, ""},
        // A drawing that never ends, bounded.
        {{"LEGGIPDF_PAGE_TIMEOUT=1", kTool, testData("endless.pdf")}, "", tooLarge},
        // Library chatter on a page drawn without a font configuration stays off stderr, with no /dev/null to
        // send it to (the scans run so too).
        {{"FONTCONFIG_FILE=/none", "sh", "-c", testing::kInEmptyDev, kTool, testData("whitespace-layer.pdf")},
         empty,
         ""},
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer needs more address space than the limit leaves
        // A 9,000 pt page (506 Mpx, under the cap) whose bitmap Poppler cannot get.
        {limited(testData("9000pt.pdf")), "", tooLarge},
        {limited(testData("nested.pdf")), "", "memoria insufficiente\n"},
        {through("ulimit -v 200000; head -c 300000000 /dev/zero | exec \"$0\" /dev/stdin", ""), "",
         "memoria insufficiente\n"},
        // Poppler's allocator aborts the process when the room for a long path runs out.
        {limited(testData("long-path.pdf"), "300000"), "", "memoria insufficiente\n"},
        // The engine's model does not fit: the run's failure, in one process and with workers.
        {limited(testData("scan-english.pdf"), "300000"), "", "memoria insufficiente\n"},
        {withJobs(limited(testData("scan-two-pages.pdf"), "300000")), "", "memoria insufficiente\n"},
        // Memory that runs out inside the engine fails the page rather than dropping its text.
        {limited(testData("scan-on-huge-page.pdf")), "",
         "OCR della pagina 1 non riuscito: tesseract: memory ran out for the images of a 15000x15000 page\n"},
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(testing::run(c.command, std::chrono::seconds(60)), Outcome(c.err.empty() ? 0 : 1, c.out, c.err))
            << c.command.back();
    // Nowhere for the result (its status follows): a full disk, a reader gone (EPIPE, not SIGPIPE), descriptors
    // closed as a daemon leaves them, whatever the run opened there (the engine logs on pages the detector reads).
    const std::string gone =
        "python3 -c 'import os,sys;r,w=os.pipe();os.close(r);os.dup2(w,1);os.execv(sys.argv[1],"
        "sys.argv[1:])' \"$0\" \"$1\"";
    const std::string sinks[] = {"\"$0\" \"$1\" >/dev/full", gone, "cat \"$1\" | \"$0\" /dev/stdin >&-",
                                 "\"$0\" \"$1\" <&- >&-", "\"$0\" \"$1\" <&- >&- 2>&-"};
    for (const auto& sink : sinks) {
        const std::string script = sink + "; echo $? >&2", written = "scrittura del risultato non riuscita\n";
        for (const auto& command :
             {through(script, text), through(script, russian), withJobs(through(script, russian))})
            EXPECT_EQ(testing::run(command), Outcome(0, "", (sink.ends_with("2>&-") ? "" : written) + "1\n"))
                << sink << " " << command.back();
    }
}

// Beside a copy of the binary, in one process and in a worker: a module from
// another build (its path quoted on one line), one whose engine exits or dies
// after a failed allocation, the real one cut short (refused, or passed over
// for an installed one cut where the loader's map ends).
TEST(Ocr, ModulesThatFailAreReportedInOneLine) {
    const std::filesystem::path root = ::testing::TempDir() + "modules" + std::to_string(getpid()),
                                folder = root / "stale\nbuild";
    const auto beside = folder / "leggipdf-ocr.so",
               installed = folder / LEGGIPDF_MODULE_FROM_BINDIR / "leggipdf-ocr.so";
    std::filesystem::create_directories(installed.parent_path());
    std::filesystem::copy_file(kTool, folder / "leggipdf", std::filesystem::copy_options::overwrite_existing);
    const std::string at = "OCR della pagina 1 non riuscito: ", module = kTool + "-ocr.so";
    const std::string memory = "memoria insufficiente\n", scans = testData("scan-two-pages.pdf");
    const std::string path = std::filesystem::canonical(root).string() + "/stale\\nbuild/leggipdf-ocr.so";
    const std::string cut = at + "cannot load the OCR module leggipdf-ocr.so: " + path + ": not a whole shared object";
    const std::string end =
        "readelf -lW \"$0\" | while read t o v p s r; do [ $t = LOAD ] && echo $((o+s)); done | sort -rn";
    const auto loaded = std::stoul(outputOf({"sh", "-c", end, module})), half = loaded / 2;
    const struct {
        std::string module, failure, jobs, err;               // the start of stderr; none: the document is read
        std::size_t kept = std::string::npos, installed = 0;  // its bytes kept beside the binary, and where installed
    } cases[] = {
        {LEGGIPDF_STALE_MODULE, "", "1", at + "the OCR module " + path + " has version 0.0+ocr0, expected "},
        {LEGGIPDF_FAILING_MODULE, "exit", "1", memory},
        {LEGGIPDF_FAILING_MODULE, "exit", "2", memory},
        {LEGGIPDF_FAILING_MODULE, "crash", "1", memory},
        {LEGGIPDF_FAILING_MODULE, "crash", "2", "OCR della pagina 1 non riuscito: the page's reader died by signal 11"},
        {LEGGIPDF_FAILING_MODULE, "4", "1", memory},
        {LEGGIPDF_FAILING_MODULE, "8", "2", at + "the page's reader died by signal 8"},
        // No room left on the stack to handle the crash on.
        {LEGGIPDF_FAILING_MODULE, "overflow", "1", "errore inatteso\n"},
        {module, "", "1", cut, 8192},
        {module, "", "2", cut, half},
        {module, "", "1", "", half, loaded},
    };
    for (const auto& c : cases) {
        std::ofstream(beside, std::ios::binary) << testing::fileText(c.module).substr(0, c.kept);
        std::ofstream(installed, std::ios::binary) << testing::fileText(module).substr(0, c.installed);
        const auto [status, out, err] =
            testing::run({"FAILING_MODULE=" + c.failure, "LEGGIPDF_JOBS=" + c.jobs, folder / "leggipdf", scans});
        EXPECT_EQ(Outcome(status, out, err.substr(0, c.err.size())),
                  Outcome(c.err.empty() ? 0 : 1, c.err.empty() ? outputOf({kTool, scans}) : "", c.err))
            << err;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    }
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace leggipdf
