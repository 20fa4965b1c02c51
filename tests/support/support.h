// What the tests share: running programs, the result form read back, and the
// tests' own references, written apart from the code under test.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "model/extraction_result.h"

namespace leggipdf::testing {

inline std::string testData(const std::string& name) { return std::string(LEGGIPDF_TEST_DATA) + "/" + name; }
inline std::string corpusPdf(const std::string& name) { return std::string(LEGGIPDF_CORPUS) + "/pdf/" + name; }

inline std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

/// What one run of a program did: its exit status (or 128 + the signal that ended it,
/// 137 when it ran out of time), its stdout and its stderr; compared whole, printed readably.
using Outcome = std::tuple<int, std::string, std::string>;

/// Runs `command` (NAME=value words for its environment, then the program and
/// its arguments) through the shell, killing it after `limit`.
inline Outcome run(const std::vector<std::string>& command, std::chrono::seconds limit = std::chrono::seconds(300)) {
    const auto quoted = [](const std::string& word) {
        std::string result = "'";
        for (char c : word) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return result + "'";
    };
    const std::string base = std::filesystem::temp_directory_path() / ("leggipdf-" + std::to_string(getpid()));
    const std::string out = base + ".out", err = base + ".err";
    std::string line = "exec timeout -s KILL " + std::to_string(limit.count()) + " /usr/bin/env";
    for (const auto& word : command) line.append(" ").append(quoted(word));
    line.append(" > ").append(quoted(out)).append(" 2> ").append(quoted(err));
    const int status = std::system(line.c_str());

    Outcome result{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), fileText(out), fileText(err)};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

/// Runs $0 on $1 in an empty /dev of its own (a mount namespace), then lists on stderr what it left there.
inline const std::string kInEmptyDev =
    R"(exec unshare -rm sh -c 'mount -t tmpfs none /dev && "$0" "$1"; s=$?; ls -A /dev >&2; exit $s' "$0" "$1")";

/// Runs `command`, expecting status 0; returns its stdout.
inline std::string outputOf(const std::vector<std::string>& command) {
    const auto [status, out, err] = run(command);
    if (status != 0) throw std::runtime_error(command.front() + " failed: " + err);
    return out;
}

/// The result form read back with nlohmann::json; throws on anything else.
inline ExtractionResult decoded(std::string_view json) {
    const auto document = nlohmann::json::parse(json);
    ExtractionResult result{{}, document.at("usedOCR").get<bool>()};
    for (const auto& page : document.at("pages"))
        result.pages.push_back({page.at("page").get<std::int64_t>(), page.at("text").get<std::string>()});
    return result;
}

/// Every Unicode space separator and line break, as UTF-8.
inline const std::string_view kSeparators[] = {" ",      "\t",     "\n",     "\v",     "\f",     "\r",     "\u0085",
                                               "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004",
                                               "\u2005", "\u2006", "\u2007", "\u2008", "\u2009", "\u200A", "\u2028",
                                               "\u2029", "\u202F", "\u205F", "\u3000"};

/// The tests' own reduction to one line: words split at every separator,
/// joined by single spaces.
inline std::string oneLine(std::string_view text) {
    std::string words;
    bool gap = false;  // a separator since the last word kept
    for (std::size_t at = 0; at < text.size();) {
        std::size_t space = 0;  // the bytes of a separator starting here
        for (std::string_view s : kSeparators) space = text.substr(at).starts_with(s) ? s.size() : space;
        if (space > 0) {
            gap = !words.empty();
            at += space;
            continue;
        }
        if (std::exchange(gap, false)) words += ' ';
        words += text[at++];
    }
    return words;
}

/// Edit distance of `text` from `reference` over the reference's length.
inline double characterErrorRate(const std::string& text, const std::string& reference) {
    std::vector<std::size_t> row(text.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= reference.size(); ++i) {
        std::size_t diagonal = std::exchange(row[0], i);
        for (std::size_t j = 1; j <= text.size(); ++j) {
            const std::size_t substitution = diagonal + (reference[i - 1] != text[j - 1] ? 1 : 0);
            diagonal = std::exchange(row[j], std::min({row[j] + 1, row[j - 1] + 1, substitution}));
        }
    }
    return static_cast<double>(row[text.size()]) / static_cast<double>(std::max<std::size_t>(reference.size(), 1));
}

}  // namespace leggipdf::testing
