// `normalized` against the tests' own reference (the input cut into words
// at every separator, joined by single spaces), and the JSON form's round
// trip of the text it produces.
#include <cassert>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "model/json_form.h"
#include "support.h"
#include "text/normalized.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string output = leggipdf::normalized(input);
    assert(output == leggipdf::testing::oneLine(input));
    assert(leggipdf::normalized(output) == output);

    const leggipdf::ExtractionResult result{{{1, output}}, true};
    const leggipdf::ExtractionResult back = leggipdf::testing::decoded(leggipdf::encoded(result));
    bool valid = true;  // the strict writer throws on bytes that are not UTF-8
    try {
        (void)nlohmann::json(output).dump();
    } catch (const nlohmann::json::type_error&) {
        valid = false;
    }
    // Invalid bytes come back as U+FFFD, so only valid text must return as is.
    assert(!valid || back == result);
    return 0;
}
