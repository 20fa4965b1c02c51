#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "model/extraction_result.h"

namespace leggipdf::testing {

/// What one run of a program did.
struct ToolRun {
    int status = -1;  // exit status, or -1 when it did not exit normally
    int signal = 0;   // the signal that ended it, if any
    bool timedOut = false;
    std::string out, err;
};

/// Where the child's standard output goes: a file read back, /dev/full,
/// nowhere (closed), or a pipe whose reader has gone.
enum class Stdout { captured, devFull, closed, brokenPipe };

/// Runs `program` (by default the leggipdf binary) with `arguments` after its
/// name, killing it after `limit`.
ToolRun runTool(const std::vector<std::string>& arguments, std::chrono::seconds limit = std::chrono::seconds(120),
                Stdout stdoutMode = Stdout::captured, const std::string& program = LEGGIPDF_BINARY);

/// Runs `program`, expecting status 0; returns its stdout.
std::string outputOf(const std::string& program, const std::vector<std::string>& arguments);

/// Writes a one-page PDF of `side` x `side` points whose content stream is
/// `content` under the temporary folder; returns its path. Its resources:
/// Helvetica as /F1, and as /P1 a tiling pattern of 0.001 pt cells that no
/// renderer finishes drawing.
std::string writtenPdf(const std::string& name, const std::string& content, int side);

std::string testData(const std::string& name);   // path under tests/data
std::string corpusPdf(const std::string& name);  // path under the shared corpus
std::string corpusDirectory();
std::string fileText(const std::string& path);

/// The result form read back with nlohmann::json; throws on anything else.
ExtractionResult decoded(std::string_view json);

/// The tests' own reduction to one line: words split at every Unicode space
/// separator and line break, joined by single spaces.
std::string oneLine(std::string_view text);

/// Edit distance of `text` from `reference` over the reference's length.
double characterErrorRate(const std::string& text, const std::string& reference);

}  // namespace leggipdf::testing
