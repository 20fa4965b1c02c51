#include "extraction/normalized.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace leggipdf {
namespace {

// clang-format off
// Every separator of the whitespace-and-newline set, as UTF-8.
const std::vector<std::string> kSeparators = {
    " ", "\t", "\n", "\v", "\f", "\r", "\xC2\x85", "\xC2\xA0", "\xE1\x9A\x80",
    "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85",
    "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89", "\xE2\x80\x8A",
    "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80",
};

// Look-alikes that are not separators (U+001C..U+001F, ZWSP, BOM, WJ, SHY,
// ZWNJ, LRE, ideographic comma, neighbours of the separators, NUL), and
// bytes that are not valid UTF-8 or only start a separator.
const std::vector<std::string> kKept = {
    "\x1C", "\x1D", "\x1E", "\x1F", "\xE2\x80\x8B", "\xEF\xBB\xBF", "\xE2\x81\xA0", "\xC2\xAD",
    "\xE2\x80\x8C", "\xE2\x80\xAA", "\xE3\x80\x81", "\xC2\x84", "\xE2\x81\x9E", std::string(1, '\0'),
    "\xFF", "\x80\x80", "\xC2", "\xE2\x80", "\xE1\x9A", "\xE3\x80",
};
// clang-format on

TEST(Normalized, EverySeparatorSplitsWords) {
    for (const auto& separator : kSeparators) {
        EXPECT_EQ(normalized("a" + separator + "b"), "a b") << "separator bytes: " << separator.size();
        EXPECT_EQ(normalized(separator + "a" + separator + separator + "b" + separator), "a b")
            << "separator bytes: " << separator.size();
        EXPECT_EQ(normalized(separator), "");
    }
}

TEST(Normalized, OtherBytesAreKeptInPlace) {
    for (const auto& kept : kKept) {
        EXPECT_EQ(normalized("a" + kept + "b"), "a" + kept + "b") << "byte count " << kept.size();
        EXPECT_EQ(normalized(" a" + kept + " \xC2\xA0" "b "), "a" + kept + " b") << "byte count " << kept.size();
    }
}

TEST(Normalized, CollapsesMixedRuns) {
    const struct {
        std::string input, expected;
    } cases[] = {
        {"", ""},
        {"due\r\nparole", "due parole"},
        {"\n\n\ninizio e fine\n\n", "inizio e fine"},
        {"a \xC2\xA0\t\xE3\x80\x80 b", "a b"},
        {"\xE2\x80 b\xC2", "\xE2\x80 b\xC2"},  // cut-off separators are ordinary bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(normalized(c.input), c.expected) << c.input;
        EXPECT_EQ(normalized(c.expected), c.expected) << c.input;
    }
}

}  // namespace
}  // namespace leggipdf
