#pragma once

#include <memory>
#include <string>

#include "extraction/text_recognizer.h"
#include "ocr/line_recognizer.h"

namespace leggipdf {

/// Name of the factory that the OCR module exports:
/// LineRecognizer* leggipdfCreateLineRecognizer(), throwing std::exception.
inline constexpr const char* kLineRecognizerFactory = "leggipdfCreateLineRecognizer";
/// Name of the module's version tag, a const char* equal to kOcrModuleVersion.
inline constexpr const char* kOcrModuleVersionSymbol = "leggipdfOcrModuleVersion";
/// File name of the OCR module, looked up beside the executable and then in
/// the folder where it is installed (kOcrModuleDirectory).
inline constexpr const char* kOcrModuleName = "leggipdf-ocr.so";

/// Recognises pages with a LineRecognizer made on the first page that has
/// anything drawn on it and kept for the rest of the run; an all-white page
/// reads as the empty text. `factory` makes the recogniser; by default the
/// OCR module is loaded, so a document that never needs OCR never loads it.
/// A module that cannot be loaded, or carries another version tag, makes
/// recognizedText throw std::runtime_error naming the file.
class LazyRecognizer final : public TextRecognizer {
public:
    using Factory = std::unique_ptr<LineRecognizer> (*)();
    explicit LazyRecognizer(Factory factory = nullptr);
    ~LazyRecognizer() override;

    std::string recognizedText(const PageImage& image) override;
    void prepare() override;

private:
    struct Module;
    Factory factory_;
    std::unique_ptr<Module> module_;
    std::unique_ptr<LineRecognizer> engine_;  // declared after module_: its code lives there
};

}  // namespace leggipdf
