#include "model/extraction_failure.h"

#include <utility>

namespace leggipdf {
namespace {

// A detail quotes what others wrote (a library's message, a path), yet the
// failure text is one line: control characters are written as escapes.
std::string oneLine(const std::string& detail) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line;
    for (const char c : detail) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            line += c;
        } else if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else {
            line += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
        }
    }
    return line;
}

std::string textFor(ExtractionFailure::Kind kind, std::int64_t pageNumber, const std::string& detail) {
    // No default: a new kind without a text must not compile quietly.
    switch (kind) {
        case ExtractionFailure::Kind::renderingFailed:
            return "rendering della pagina " + std::to_string(pageNumber) + " non riuscito";
        case ExtractionFailure::Kind::recognitionFailed:
            return "OCR della pagina " + std::to_string(pageNumber) + " non riuscito: " + oneLine(detail);
        case ExtractionFailure::Kind::invalidArguments:
            return "percorso PDF mancante";
        case ExtractionFailure::Kind::unreadablePDF:
            return "PDF non leggibile";
        case ExtractionFailure::Kind::outputFailed:
            return "scrittura del risultato non riuscita";
        case ExtractionFailure::Kind::outOfMemory:
            return std::string(kOutOfMemoryText);
        case ExtractionFailure::Kind::unexpected:
            return "errore inatteso";
        case ExtractionFailure::Kind::invalidSetting:
            return "valore di " + detail + " non valido";
    }
    return {};
}

}  // namespace

ExtractionFailure::ExtractionFailure(Kind kind, std::int64_t pageNumber, std::string detail)
    : kind_(kind),
      pageNumber_(pageNumber),
      detail_(std::move(detail)),
      description_(textFor(kind_, pageNumber_, detail_)) {}

ExtractionFailure ExtractionFailure::renderingFailed(std::int64_t pageNumber) {
    return {Kind::renderingFailed, pageNumber, {}};
}

ExtractionFailure ExtractionFailure::recognitionFailed(std::int64_t pageNumber, std::string detail) {
    return {Kind::recognitionFailed, pageNumber, std::move(detail)};
}

ExtractionFailure ExtractionFailure::invalidArguments() { return {Kind::invalidArguments, 0, {}}; }

ExtractionFailure ExtractionFailure::unreadablePDF() { return {Kind::unreadablePDF, 0, {}}; }

ExtractionFailure ExtractionFailure::outputFailed() { return {Kind::outputFailed, 0, {}}; }

ExtractionFailure ExtractionFailure::outOfMemory() { return {Kind::outOfMemory, 0, {}}; }

ExtractionFailure ExtractionFailure::unexpected() { return {Kind::unexpected, 0, {}}; }

ExtractionFailure ExtractionFailure::invalidSetting(std::string name) {
    return {Kind::invalidSetting, 0, std::move(name)};
}

}  // namespace leggipdf
