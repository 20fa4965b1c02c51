// `normalized` against the tests' own reference: the input cut into words at
// every separator, joined by single spaces.
#include <cassert>
#include <cstdint>
#include <string>

#include "support.h"
#include "text/normalized.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string output = leggipdf::normalized(input);
    assert(output == leggipdf::testing::oneLine(input));
    assert(leggipdf::normalized(output) == output);
    return 0;
}
