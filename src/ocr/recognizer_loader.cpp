#include "ocr/recognizer_loader.h"

#include <stdexcept>

namespace leggipdf {

std::string LazyRecognizer::recognizedText(const PageImage&) {
    throw std::runtime_error("no text recogniser is available");
}

}  // namespace leggipdf
