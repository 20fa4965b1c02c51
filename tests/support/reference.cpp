#include "reference.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

namespace leggipdf::testing {

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
