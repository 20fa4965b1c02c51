#include "ocr_loader/ocr_module.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "ocr_loader/module_config.h"
#include "ocr_loader/module_file.h"

namespace leggipdf {
namespace {

std::vector<std::filesystem::path> moduleCandidates() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    const std::filesystem::path directory = executable.parent_path();
    return {directory / kOcrModuleName, directory / kOcrModuleDirectory / kOcrModuleName};
}

struct ClosedModule {
    void operator()(void* handle) const { dlclose(handle); }
};

// The loaded module; what is made from it must be gone before it closes.
class OcrModule {
public:
    OcrModule() {
        std::string errors;
        for (const auto& candidate : moduleCandidates()) {
            // A file cut short is passed over as a missing one is.
            std::string flaw = moduleFileFlaw(candidate);
            if (flaw.empty()) {
                handle_.reset(dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL));
                if (handle_) {
                    checkVersion(candidate);
                    return;
                }
                flaw = dlerror();
            }
            errors += (errors.empty() ? "" : "; ") + flaw;
        }
        throw std::runtime_error("cannot load the OCR module " + std::string(kOcrModuleName) + ": " + errors);
    }

    std::unique_ptr<LineRecognizer> created(const ModuleSettings& settings) const {
        auto create =
            reinterpret_cast<decltype(&leggipdfCreateLineRecognizer)>(dlsym(handle_.get(), kLineRecognizerFactory));
        if (!create) throw std::runtime_error(std::string("the OCR module has no ") + kLineRecognizerFactory);
        return std::unique_ptr<LineRecognizer>(create(settings));
    }

private:
    // Calling into a module built from other sources would be undefined
    // behaviour, so a stale one is refused before anything is called.
    void checkVersion(const std::filesystem::path& path) const {
        const auto* tag = static_cast<const char* const*>(dlsym(handle_.get(), kOcrModuleVersionSymbol));
        if (tag && *tag && std::strcmp(*tag, kOcrModuleVersion) == 0) return;
        const std::string found = tag && *tag ? *tag : "none";
        throw std::runtime_error("the OCR module " + path.string() + " has version " + found + ", expected " +
                                 kOcrModuleVersion);
    }

    std::unique_ptr<void, ClosedModule> handle_;
};

class ModuleRecognizer final : public LineRecognizer {
public:
    explicit ModuleRecognizer(const ModuleSettings& settings) : engine_(module_.created(settings)) {}
    std::vector<Observation> recognizedLines(const PageImage& image) override {
        return engine_->recognizedLines(image);
    }

private:
    OcrModule module_;
    std::unique_ptr<LineRecognizer> engine_;  // declared after module_: its code lives there
};

}  // namespace

std::unique_ptr<LineRecognizer> recognizerFromOcrModule(const ModuleSettings& settings) {
    return std::make_unique<ModuleRecognizer>(settings);
}

}  // namespace leggipdf
