#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace leggipdf::testing {

/// What one run of a program did.
struct ToolRun {
    int status = -1;  // exit status, or -1 when it did not exit normally
    int signal = 0;   // the signal that ended it, if any
    bool timedOut = false;
    std::string out, err;
};

/// Where the child's standard output goes: a file read back, /dev/full, nowhere
/// (closed), or a pipe whose reader has gone.
enum class Stdout { captured, devFull, closed, brokenPipe };

/// Runs `program` (by default the leggipdf binary) with `arguments` after its
/// name, killing it after `limit`.
ToolRun runTool(const std::vector<std::string>& arguments, std::chrono::seconds limit = std::chrono::seconds(120),
                Stdout stdoutMode = Stdout::captured, const std::string& program = LEGGIPDF_BINARY);

/// Runs `program`, expecting status 0; returns its stdout.
std::string outputOf(const std::string& program, const std::vector<std::string>& arguments);

/// Writes a one-page PDF of `side` x `side` points whose content stream is
/// `content` (Helvetica as /F1) under the temporary folder; returns its path.
std::string writtenPdf(const std::string& name, const std::string& content, int side);

std::string testData(const std::string& name);   // path under tests/data
std::string corpusPdf(const std::string& name);  // path under the shared corpus
std::string corpusDirectory();
std::string fileText(const std::string& path);

}  // namespace leggipdf::testing
