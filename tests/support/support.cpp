#include "support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace leggipdf::testing {
namespace {

std::string quoted(const std::string& word) {
    std::string result = "'";
    for (char c : word) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

}  // namespace

ToolRun runTool(const std::vector<std::string>& arguments, std::chrono::seconds limit, Stdout stdoutMode,
                const std::string& program) {
    const std::string base = std::filesystem::temp_directory_path() / ("leggipdf-" + std::to_string(getpid()));
    const std::string out = base + ".out", err = base + ".err";
    // The read end closes at once, so every write to the other one fails with EPIPE.
    int broken[2];
    if (pipe(broken) != 0) throw std::runtime_error("pipe");
    close(broken[0]);
    const std::string redirections[] = {"> " + quoted(out), ">/dev/full", ">&-", ">&" + std::to_string(broken[1])};
    std::string command = "exec timeout -s KILL " + std::to_string(limit.count()) + " " + quoted(program);
    for (const auto& argument : arguments) command.append(" ").append(quoted(argument));
    command.append(" ").append(redirections[static_cast<int>(stdoutMode)]).append(" 2> ").append(quoted(err));
    const int status = std::system(command.c_str());
    close(broken[1]);

    ToolRun run;
    run.out = fileText(out);
    run.err = fileText(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.timedOut = code == 124;  // what timeout(1) returns for a command it had to kill
    run.status = code < 128 ? code : -1;
    run.signal = code < 128 ? 0 : code - 128;
    return run;
}

std::string outputOf(const std::string& program, const std::vector<std::string>& arguments) {
    const ToolRun run = runTool(arguments, std::chrono::seconds(300), Stdout::captured, program);
    if (run.status != 0) throw std::runtime_error(program + " failed: " + run.err);
    return run.out;
}

std::string writtenPdf(const std::string& name, const std::string& content, int side) {
    const std::string path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary)
        << "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
        << "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 " << side << " " << side << "]/Contents 4 0 R"
        << "/Resources<</Font<</F1<</Type/Font/Subtype/Type1/BaseFont/Helvetica>>>>"
        << "/Pattern<</P1<</PatternType 1/PaintType 1/TilingType 1/BBox[0 0 0.001 0.001]/XStep 0.001/YStep 0.001"
        << "/Resources<<>>/Length 31>>stream\n0 0 0 rg 0 0 0.0005 0.0005 re f\nendstream>>>>>>endobj\n"
        << "4 0 obj<</Length " << content.size() << ">>stream\n"
        << content << "\nendstream endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";
    return path;
}

std::string testData(const std::string& name) { return std::string(LEGGIPDF_TEST_DATA) + "/" + name; }
std::string corpusDirectory() { return std::string(LEGGIPDF_CORPUS); }
std::string corpusPdf(const std::string& name) { return corpusDirectory() + "/pdf/" + name; }

std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

ExtractionResult decoded(std::string_view json) {
    const auto document = nlohmann::json::parse(json);
    ExtractionResult result{{}, document.at("usedOCR").get<bool>()};
    for (const auto& page : document.at("pages"))
        result.pages.push_back({page.at("page").get<std::int64_t>(), page.at("text").get<std::string>()});
    return result;
}

std::string oneLine(std::string_view text) {
    // U+0085, U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
    static const std::string_view kSpaces[] = {"\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003",
                                               "\u2004", "\u2005", "\u2006", "\u2007", "\u2008", "\u2009", "\u200A",
                                               "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};
    std::string words, word;
    const auto flush = [&] {
        if (!word.empty()) words += (words.empty() ? "" : " ") + word;
        word.clear();
    };
    for (std::size_t at = 0; at < text.size();) {
        const auto space = std::find_if(std::begin(kSpaces), std::end(kSpaces),
                                        [&](std::string_view s) { return text.substr(at).starts_with(s); });
        if (space != std::end(kSpaces)) {
            flush();
            at += space->size();
        } else if (std::string_view(" \t\n\v\f\r").find(text[at]) != std::string_view::npos) {
            flush();
            ++at;
        } else {
            word.push_back(text[at++]);
        }
    }
    flush();
    return words;
}

double characterErrorRate(const std::string& text, const std::string& reference) {
    std::vector<std::size_t> row(text.size() + 1);
    for (std::size_t j = 0; j <= text.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= reference.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= text.size(); ++j) {
            const std::size_t substitution = diagonal + (reference[i - 1] != text[j - 1] ? 1 : 0);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitution});
        }
    }
    return static_cast<double>(row[text.size()]) / static_cast<double>(std::max<std::size_t>(reference.size(), 1));
}

}  // namespace leggipdf::testing
