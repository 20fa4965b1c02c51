#include "model/json_form.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace leggipdf {
namespace {

TEST(JsonForm, EncodesExactBytes) {
    const struct {
        ExtractionResult result;
        std::string expected;
    } cases[] = {
        {{{}, false}, R"({"pages":[],"usedOCR":false})"},
        {{{}, true}, R"({"pages":[],"usedOCR":true})"},
        {{{{1, "uno"}, {3, "tre"}}, false},
         R"({"pages":[{"page":1,"text":"uno"},{"page":3,"text":"tre"}],"usedOCR":false})"},
        {{{{12, "città"}}, true}, "{\"pages\":[{\"page\":12,\"text\":\"città\"}],\"usedOCR\":true}"},
        {{{{2, "a\"b\\c/d\x01\x1f"}}, false},
         R"({"pages":[{"page":2,"text":"a\"b\\c/d\u0001\u001f"}],"usedOCR":false})"},
    };
    for (const auto& c : cases) EXPECT_EQ(encoded(c.result), c.expected) << c.expected;
}

TEST(JsonForm, InvalidUtf8BecomesReplacementCharacter) {
    const ExtractionResult result{{{1,
                                    "a\xFF"
                                    "b\xC2"}},
                                  false};
    EXPECT_EQ(encoded(result),
              "{\"pages\":[{\"page\":1,\"text\":\"a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\"}],\"usedOCR\":false}");
}

TEST(JsonForm, RoundTripsAwkwardText) {
    const ExtractionResult result{{{1, "\"quoted\" \\ back\tslash \xF0\x90\xB2\x80 \x1C"}, {10, "x"}}, true};
    EXPECT_EQ(decoded(encoded(result)), result);
}

TEST(JsonForm, DecodingRejectsMissingKeysAndWrongTypes) {
    const char* documents[] = {
        R"({"usedOCR":false})",
        R"({"pages":[]})",
        R"({"pages":{},"usedOCR":false})",
        R"({"pages":[],"usedOCR":0})",
        R"({"pages":[{"text":"a"}],"usedOCR":false})",
        R"({"pages":[{"page":1}],"usedOCR":false})",
        R"({"pages":[{"page":"1","text":"a"}],"usedOCR":false})",
        R"({"pages":[{"page":1.5,"text":"a"}],"usedOCR":false})",
        R"({"pages":[{"page":1,"text":null}],"usedOCR":false})",
        R"({"pages":[1],"usedOCR":false})",
        R"([])",
        R"({"pages":[],"usedOCR":false)",
    };
    for (const char* document : documents) EXPECT_THROW(decoded(document), DecodingError) << document;
}

TEST(JsonForm, DecodingAcceptsEitherMemberOrder) {
    const ExtractionResult expected{{{4, "x"}}, true};
    EXPECT_EQ(decoded(R"({"usedOCR":true,"pages":[{"text":"x","page":4}]})"), expected);
}

}  // namespace
}  // namespace leggipdf
