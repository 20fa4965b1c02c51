// An OCR module of this build whose engine fails as libraries do after an
// allocation that failed: exit(1) (the engine's OpenMP runtime), or a crash
// (FAILING_MODULE=crash; a library that uses the null pointer it was given).
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string_view>

#include "ocr/line_recognizer.h"
#include "ocr/module_config.h"

namespace {

struct FailingRecognizer final : leggipdf::LineRecognizer {
    std::vector<leggipdf::Observation> recognizedLines(const leggipdf::PageImage&) override {
        const char* how = std::getenv("FAILING_MODULE");
        errno = ENOMEM;
        if (how && std::string_view(how) == "crash") std::raise(SIGSEGV);
        std::exit(1);
    }
};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) const char* leggipdfOcrModuleVersion = leggipdf::kOcrModuleVersion;
__attribute__((visibility("default"))) leggipdf::LineRecognizer* leggipdfCreateLineRecognizer() {
    return new FailingRecognizer;
}
}
