#include "model/extraction_failure.h"

#include <utility>

namespace leggipdf {
namespace {

std::string textFor(ExtractionFailure::Kind kind, std::int64_t pageNumber, const std::string& detail) {
    // No default: a new kind without a text must not compile quietly.
    switch (kind) {
        case ExtractionFailure::Kind::renderingFailed:
            return "rendering della pagina " + std::to_string(pageNumber) + " non riuscito";
        case ExtractionFailure::Kind::recognitionFailed:
            return "OCR della pagina " + std::to_string(pageNumber) + " non riuscito: " + detail;
        case ExtractionFailure::Kind::invalidArguments:
            return "percorso PDF mancante";
        case ExtractionFailure::Kind::unreadablePDF:
            return "PDF non leggibile";
        case ExtractionFailure::Kind::outputFailed:
            return "scrittura del risultato non riuscita";
        case ExtractionFailure::Kind::outOfMemory:
            return "memoria insufficiente";
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
