#pragma once

#include <memory>

#include "ocr_interface/ocr_interface.h"

namespace leggipdf {

/// File name of the OCR module, looked up beside the executable and then in
/// the folder where it is installed (kOcrModuleDirectory).
inline constexpr const char* kOcrModuleName = "leggipdf-ocr.so";

/// The recogniser that the OCR module makes with `settings`, with the module
/// loaded for as long as it lives. Throws std::runtime_error naming the file
/// when the module cannot be loaded or carries another version tag, and what
/// the module's factory throws.
std::unique_ptr<LineRecognizer> recognizerFromOcrModule(const ModuleSettings& settings);

}  // namespace leggipdf
