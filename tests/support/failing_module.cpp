// An OCR module of this build whose engine fails as libraries do after an
// allocation that failed: exit(1) (the engine's OpenMP runtime), or a crash
// (FAILING_MODULE=crash, a library that uses the null pointer it was given,
// or the number of another signal); or whose recursion runs out of stack
// (FAILING_MODULE=overflow).
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ocr_interface/ocr_interface.h"

namespace {

// Each frame keeps a page of its own until the stack is full.
int deeper(std::size_t depth) {
    if (depth == 0) return 0;
    volatile char frame[4096];
    frame[0] = 1;
    return deeper(depth - 1) + frame[0];
}

struct FailingRecognizer final : leggipdf::LineRecognizer {
    std::vector<leggipdf::Observation> recognizedLines(const leggipdf::PageImage&) override {
        const std::string_view how = std::getenv("FAILING_MODULE") ? std::getenv("FAILING_MODULE") : "";
        errno = how == "overflow" ? 0 : ENOMEM;
        if (how == "overflow") std::exit(deeper(SIZE_MAX));
        if (const int signal = how == "crash" ? SIGSEGV : std::atoi(how.data())) std::raise(signal);
        std::exit(1);
    }
};

}  // namespace

extern "C" {
const char* const leggipdfOcrModuleVersion = leggipdf::kOcrModuleVersion;
leggipdf::LineRecognizer* leggipdfCreateLineRecognizer(const leggipdf::ModuleSettings&) {
    return new FailingRecognizer;
}
}
