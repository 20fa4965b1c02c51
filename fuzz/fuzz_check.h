#pragma once

#include <cstdio>
#include <cstdlib>

// A property that does not hold is a crash for libFuzzer: the input is saved
// and the failing expression is printed above the stack trace.
#define FUZZ_CHECK(condition) \
    ((condition)              \
         ? void()             \
         : (std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition), std::abort()))
