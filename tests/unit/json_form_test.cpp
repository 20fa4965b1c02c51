#include "model/json_form.h"

#include <gtest/gtest.h>

namespace leggipdf {
namespace {

TEST(JsonForm, EncodesExactBytes) {
    const struct {
        ExtractionResult result;
        std::string expected;
    } cases[] = {
        {{{}, true}, R"({"pages":[],"usedOCR":true})"},
        {{{{1, "uno"}, {3, "città"}}, false},
         R"({"pages":[{"page":1,"text":"uno"},{"page":3,"text":"città"}],"usedOCR":false})"},
        {{{{2, "a\"b\\c/\x01\x1f"}}, false}, R"({"pages":[{"page":2,"text":"a\"b\\c/\u0001\u001f"}],"usedOCR":false})"},
        {{{{1,
            "a\xFF"
            "b\xC2"}},
          false},
         "{\"pages\":[{\"page\":1,\"text\":\"a\uFFFDb\uFFFD\"}],\"usedOCR\":false}"},
    };
    for (const auto& c : cases) EXPECT_EQ(encoded(c.result), c.expected) << c.expected;
}

}  // namespace
}  // namespace leggipdf
