#pragma once

#include <memory>

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

/// The recogniser that the OCR module makes, with the module loaded for as
/// long as it lives. Throws std::runtime_error naming the file when the
/// module cannot be loaded or carries another version tag, and what the
/// module's factory throws.
std::unique_ptr<LineRecognizer> recognizerFromOcrModule();

}  // namespace leggipdf
