// Normalisation to one line and the JSON form, byte for byte.
#include <gtest/gtest.h>

#include "model/json_form.h"
#include "support.h"
#include "text/normalized.h"

namespace leggipdf {
namespace {

TEST(Normalized, SplitsAtEverySeparatorAndKeepsEverythingElse) {
    // Every separator in the tests' own list, then look-alikes that are not
    // (U+001C, ZWSP, BOM, WJ, SHY, U+3001, NUL) and bytes that are not UTF-8
    // or only begin a separator.
    const std::string kept[] = {"\x1C", "\u200B", "\uFEFF",   "\u2060",   "\u00AD",   "\u3001",   std::string(1, '\0'),
                                "\xFF", "\xC2",   "\xE2\x80", "\xE1\x9A", "\xE3\x80", "\xC2\x84", "\xE2\x81\x9E"};
    for (const std::string_view separator : testing::kSeparators) {
        const std::string s(separator);
        EXPECT_EQ(normalized(s + "a" + s + s + "b" + s), "a b") << ::testing::PrintToString(s);
        EXPECT_EQ(normalized(s), "");
    }
    for (const auto& k : kept)
        EXPECT_EQ(normalized(" a" + k + " \u00A0b\n"), "a" + k + " b") << ::testing::PrintToString(k);
}

TEST(JsonForm, EncodesExactBytes) {
    const struct {
        ExtractionResult result;
        std::string expected;
    } cases[] = {
        {{{}, true}, R"({"pages":[],"usedOCR":true})"},
        {{{{1, "uno"}, {3, "città"}}, false},
         R"({"pages":[{"page":1,"text":"uno"},{"page":3,"text":"città"}],"usedOCR":false})"},
        {{{{2, "a\"b\\c/\x01\x1f"}}, false}, R"({"pages":[{"page":2,"text":"a\"b\\c/\u0001\u001f"}],"usedOCR":false})"},
        {{{{1, "a\xFFz\xC2"}}, false}, "{\"pages\":[{\"page\":1,\"text\":\"a\uFFFDz\uFFFD\"}],\"usedOCR\":false}"},
    };
    for (const auto& c : cases) EXPECT_EQ(encoded(c.result), c.expected) << c.expected;
}

}  // namespace
}  // namespace leggipdf
