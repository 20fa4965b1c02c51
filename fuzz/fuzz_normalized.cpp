// `normalized` against a plain reference: the input cut into words at every
// separator, joined by single spaces. Also the properties the contract
// names, and the JSON form's round trip of the text it produces.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extraction/normalized.h"
#include "fuzz_check.h"
#include "model/json_form.h"

namespace {

// U+0009..U+000D, U+0020, U+0085, U+00A0, U+1680, U+2000..U+200A, U+2028,
// U+2029, U+202F, U+205F, U+3000, written out as their UTF-8 bytes.
constexpr std::string_view kSeparators[] = {
    "\t",     "\n",     "\v",     "\f",     "\r",     " ",      "\u0085", "\u00A0", "\u1680",
    "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006", "\u2007", "\u2008",
    "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000",
};

std::size_t separatorAt(std::string_view text) {
    for (std::string_view separator : kSeparators) {
        if (text.starts_with(separator)) return separator.size();
    }
    return 0;
}

std::string referenceNormalized(std::string_view text) {
    std::vector<std::string> words(1);
    for (std::size_t at = 0; at < text.size();) {
        if (std::size_t length = separatorAt(text.substr(at))) {
            if (!words.back().empty()) words.emplace_back();
            at += length;
        } else {
            words.back().push_back(text[at++]);
        }
    }
    std::string joined;
    for (const std::string& word : words) {
        if (word.empty()) continue;
        if (!joined.empty()) joined.push_back(' ');
        joined += word;
    }
    return joined;
}

// Length of the well-formed UTF-8 sequence that starts `text`, or 0: no
// overlong forms, no surrogates, nothing past U+10FFFF.
std::size_t utf8SequenceAt(std::string_view text) {
    const unsigned lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (length == 0 || text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned byte = static_cast<unsigned char>(text[i]);
        if (byte < (i == 1 ? low : 0x80) || byte > (i == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

bool isValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = utf8SequenceAt(text);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

void checkJsonRoundTrip(const std::string& text) {
    const leggipdf::ExtractionResult result{{{1, text}}, true};
    const std::string json = leggipdf::encoded(result);
    FUZZ_CHECK(isValidUtf8(json));
    const leggipdf::ExtractionResult back = leggipdf::decoded(json);
    // Invalid bytes come back as U+FFFD, so only valid text must return as is.
    if (isValidUtf8(text)) FUZZ_CHECK(back == result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string output = leggipdf::normalized(input);

    FUZZ_CHECK(output == referenceNormalized(input));
    FUZZ_CHECK(leggipdf::normalized(output) == output);
    FUZZ_CHECK(output.find("  ") == std::string::npos);
    FUZZ_CHECK(output.empty() || (output.front() != ' ' && output.back() != ' '));
    for (std::size_t at = 0; at < output.size(); ++at) {
        FUZZ_CHECK(output[at] == ' ' || separatorAt(std::string_view(output).substr(at)) == 0);
    }
    checkJsonRoundTrip(output);
    return 0;
}
