#include "ocr/recognizer_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "ocr/module_config.h"

namespace leggipdf {
namespace {

std::vector<std::filesystem::path> moduleCandidates() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    const std::filesystem::path directory = executable.parent_path();
    return {directory / kOcrModuleName, directory / kOcrModuleDirectory / kOcrModuleName};
}

}  // namespace

// Owns the dlopen handle; the engine made from it must be gone before close.
struct LazyRecognizer::Module {
    void* handle = nullptr;

    Module() {
        // The engine's OpenMP runtime reads this when it is loaded. One thread
        // is several times faster on small machines and the tool starts none.
        setenv("OMP_THREAD_LIMIT", "1", 1);
        std::string errors;
        for (const auto& candidate : moduleCandidates()) {
            handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle) {
                checkVersion(candidate);
                return;
            }
            errors += std::string(errors.empty() ? "" : "; ") + dlerror();
        }
        throw std::runtime_error("cannot load the OCR module " + std::string(kOcrModuleName) + ": " + errors);
    }
    ~Module() { dlclose(handle); }

    // Calling into a module built from other sources would be undefined
    // behaviour, so a stale one is refused before anything is called.
    void checkVersion(const std::filesystem::path& path) {
        const auto* tag = static_cast<const char* const*>(dlsym(handle, kOcrModuleVersionSymbol));
        if (tag && *tag && std::strcmp(*tag, kOcrModuleVersion) == 0) return;
        const std::string found = tag && *tag ? *tag : "none";
        dlclose(handle);
        throw std::runtime_error("the OCR module " + path.string() + " has version " + found + ", expected " +
                                 kOcrModuleVersion);
    }

    LineRecognizer* created() const {
        using Create = LineRecognizer* (*)();
        auto create = reinterpret_cast<Create>(dlsym(handle, kLineRecognizerFactory));
        if (!create) throw std::runtime_error(std::string("the OCR module has no ") + kLineRecognizerFactory);
        return create();
    }
};

LazyRecognizer::LazyRecognizer(Factory factory) : factory_(factory) {}

LazyRecognizer::~LazyRecognizer() = default;

void LazyRecognizer::prepare() {
    if (engine_) return;
    if (factory_) {
        engine_ = factory_();
    } else {
        if (!module_) module_ = std::make_unique<Module>();
        engine_.reset(module_->created());
    }
}

std::string LazyRecognizer::recognizedText(const PageImage& image) {
    // A page drawn all white (a blank verso, say) reads as nothing, so the
    // engine and its model (seconds and hundreds of MB) are not loaded for it.
    if (!hasInk(image)) return {};
    prepare();
    return textInReadingOrder(engine_->recognizedLines(image));
}

}  // namespace leggipdf
