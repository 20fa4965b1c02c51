#include "model/extraction_failure.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
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

std::string pageText(std::int64_t pageNumber, const std::string& detail) {
    return "OCR della pagina " + std::to_string(pageNumber) + " non riuscito: " + oneLine(detail);
}

std::string textFor(ExtractionFailure::Kind kind, std::int64_t pageNumber, const std::string& detail) {
    // No default: a new kind without a text must not compile quietly.
    switch (kind) {
        case ExtractionFailure::Kind::renderingFailed:
            return "rendering della pagina " + std::to_string(pageNumber) + " non riuscito";
        case ExtractionFailure::Kind::recognitionFailed:
            return pageText(pageNumber, detail);
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
        case ExtractionFailure::Kind::pageTimedOut:
            return pageText(pageNumber,
                            "the time ran out: the page was not read within LEGGIPDF_PAGE_TIMEOUT (" + detail + " s)");
        case ExtractionFailure::Kind::readerLost:
            if (detail.empty()) return pageText(pageNumber, "the page's reader ended without an answer");
            return pageText(pageNumber, "the page's reader died by signal " + detail + " (" +
                                            strsignal(std::atoi(detail.c_str())) + ")");
    }
    return {};  // bytes read back that name no kind
}

// A whole decimal number at the start of `bytes`, which then start after it.
template <typename Number>
Number numberTaken(std::string_view& bytes) {
    Number number = 0;
    const auto [end, error] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), number);
    if (error != std::errc() || end == bytes.data()) throw std::invalid_argument("not a serialized failure");
    bytes.remove_prefix(static_cast<std::size_t>(end - bytes.data()));
    return number;
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

ExtractionFailure ExtractionFailure::pageTimedOut(std::int64_t pageNumber, double seconds) {
    std::ostringstream bound;
    bound << seconds;
    return {Kind::pageTimedOut, pageNumber, bound.str()};
}

ExtractionFailure ExtractionFailure::readerLost(std::int64_t pageNumber, int signal) {
    return {Kind::readerLost, pageNumber, signal == 0 ? std::string() : std::to_string(signal)};
}

std::string ExtractionFailure::serialized() const {
    return std::to_string(static_cast<int>(kind_)) + " " + std::to_string(pageNumber_) + "\n" + detail_;
}

ExtractionFailure ExtractionFailure::fromSerialized(std::string_view bytes) {
    const int kind = numberTaken<int>(bytes);
    if (!bytes.starts_with(' ')) throw std::invalid_argument("not a serialized failure");
    bytes.remove_prefix(1);
    const auto pageNumber = numberTaken<std::int64_t>(bytes);
    if (!bytes.starts_with('\n')) throw std::invalid_argument("not a serialized failure");
    ExtractionFailure failure(static_cast<Kind>(kind), pageNumber, std::string(bytes.substr(1)));
    if (failure.description().empty()) throw std::invalid_argument("not a serialized failure");
    return failure;
}

}  // namespace leggipdf
