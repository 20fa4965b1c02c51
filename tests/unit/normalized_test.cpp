#include "text/normalized.h"

#include <gtest/gtest.h>

namespace leggipdf {
namespace {

TEST(Normalized, SplitsAtEverySeparatorAndKeepsEverythingElse) {
    // Every separator, then look-alikes that are not (U+001C, ZWSP, BOM, WJ,
    // SHY, U+3001, NUL) and bytes that are not UTF-8 or only begin a separator.
    const std::string separators[] = {" ",      "\t",     "\n",     "\v",     "\f",     "\r",     "\u0085",
                                      "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004",
                                      "\u2005", "\u2006", "\u2007", "\u2008", "\u2009", "\u200A", "\u2028",
                                      "\u2029", "\u202F", "\u205F", "\u3000"};
    const std::string kept[] = {"\x1C", "\u200B", "\uFEFF",   "\u2060",   "\u00AD",   "\u3001",   std::string(1, '\0'),
                                "\xFF", "\xC2",   "\xE2\x80", "\xE1\x9A", "\xE3\x80", "\xC2\x84", "\xE2\x81\x9E"};
    for (const auto& s : separators) {
        EXPECT_EQ(normalized(s + "a" + s + s + "b" + s), "a b") << ::testing::PrintToString(s);
        EXPECT_EQ(normalized(s), "");
    }
    for (const auto& k : kept)
        EXPECT_EQ(normalized(" a" + k + " \u00A0b\n"), "a" + k + " b") << ::testing::PrintToString(k);
}

}  // namespace
}  // namespace leggipdf
