#include "extraction/normalized.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace leggipdf {
namespace {

// Every separator of the whitespace-and-newline set, as UTF-8.
const std::vector<std::string> kSeparators = {
    " ",
    "\t",
    "\n",
    "\v",
    "\f",
    "\r",
    "\xC2\x85",
    "\xC2\xA0",
    "\xE1\x9A\x80",
    "\xE2\x80\x80",
    "\xE2\x80\x81",
    "\xE2\x80\x82",
    "\xE2\x80\x83",
    "\xE2\x80\x84",
    "\xE2\x80\x85",
    "\xE2\x80\x86",
    "\xE2\x80\x87",
    "\xE2\x80\x88",
    "\xE2\x80\x89",
    "\xE2\x80\x8A",
    "\xE2\x80\xA8",
    "\xE2\x80\xA9",
    "\xE2\x80\xAF",
    "\xE2\x81\x9F",
    "\xE3\x80\x80",
};

// Look-alikes that are not separators and must survive untouched.
const std::vector<std::string> kKept = {
    "\x1C",
    "\x1D",
    "\x1E",
    "\x1F",
    "\xE2\x80\x8B" /* ZWSP */,
    "\xEF\xBB\xBF" /* BOM */,
    "\xE2\x81\xA0" /* WJ */,
    "\xC2\xAD" /* SHY */,
    "\xE2\x80\x8C",
    "\xE2\x80\xAA" /* LRE */,
    "\xE3\x80\x81" /* ideographic comma */,
    "\xC2\x84",
    "\xE2\x81\x9E",
    "\x00",
};

TEST(Normalized, EverySeparatorSplitsWords) {
    for (const auto& separator : kSeparators) {
        EXPECT_EQ(normalized("a" + separator + "b"), "a b") << "separator bytes: " << separator.size();
        EXPECT_EQ(normalized(separator + "a" + separator + separator + "b" + separator), "a b")
            << "separator bytes: " << separator.size();
        EXPECT_EQ(normalized(separator), "");
    }
}

TEST(Normalized, OtherCharactersAreKept) {
    for (const auto& kept : kKept) {
        const std::string text = "a" + kept + "b";
        EXPECT_EQ(normalized(text), text) << "code unit count " << kept.size();
    }
}

TEST(Normalized, CollapsesMixedRuns) {
    const struct {
        std::string input, expected;
    } cases[] = {
        {"", ""},
        {"parola", "parola"},
        {"due\r\nparole", "due parole"},
        {"  \t\n ", ""},
        {"\n\n\ninizio e fine\n\n", "inizio e fine"},
        {"a \xC2\xA0\t\xE3\x80\x80 b", "a b"},
        {"città\xE2\x80\xA8già", "città già"},
        {std::string("x\0y", 3), std::string("x\0y", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(normalized(c.input), c.expected) << c.input;
}

TEST(Normalized, KeepsInvalidUtf8AndTruncatedSeparators) {
    const std::vector<std::string> inputs = {
        "\xFF", "a\xC2", "a\xE2\x80", "\xE2\x80 b", "\xC2 \xA0", "\x80\x80", "b\xE1\x9A", "\xE3\x80",
    };
    for (const auto& input : inputs) {
        const std::string once = normalized(input);
        EXPECT_EQ(normalized(once), once) << input;
        EXPECT_EQ(once.find("  "), std::string::npos) << input;
    }
    EXPECT_EQ(normalized("a\xC2"), "a\xC2");
    EXPECT_EQ(normalized("\xE2\x80 b"), "\xE2\x80 b");
    EXPECT_EQ(normalized("\xC2 \xA0"), "\xC2 \xA0");
}

}  // namespace
}  // namespace leggipdf
