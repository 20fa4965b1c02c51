#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace leggipdf {

/// The text of ExtractionFailure::outOfMemory(), for where nothing more can
/// be allocated.
inline constexpr std::string_view kOutOfMemoryText = "memoria insufficiente";

/// Why a run ended without a result. Thrown where the failure happens and
/// caught only by the entry, which prints `description()` and exits with 1.
class ExtractionFailure : public std::exception {
public:
    enum class Kind {
        renderingFailed,
        recognitionFailed,
        invalidArguments,
        unreadablePDF,
        outputFailed,
        outOfMemory,
        unexpected,
        invalidSetting,
        pageTimedOut,
        readerLost
    };

    static ExtractionFailure renderingFailed(std::int64_t pageNumber);
    static ExtractionFailure recognitionFailed(std::int64_t pageNumber, std::string detail);
    static ExtractionFailure invalidArguments();
    static ExtractionFailure unreadablePDF();
    /// Writing the result document failed (full disk, closed descriptor).
    static ExtractionFailure outputFailed();
    /// An allocation failed where no page-specific text applies.
    static ExtractionFailure outOfMemory();
    /// Anything else that is not one of ours: its own text is not shown.
    static ExtractionFailure unexpected();
    /// The environment variable `name` holds a value the tool does not take.
    static ExtractionFailure invalidSetting(std::string name);
    /// Page `pageNumber` was drawn but not read within the bound of `seconds`.
    static ExtractionFailure pageTimedOut(std::int64_t pageNumber, double seconds);
    /// The process reading page `pageNumber` died by `signal`, or ended
    /// without an answer when `signal` is 0.
    static ExtractionFailure readerLost(std::int64_t pageNumber, int signal);

    /// The failure as bytes that fromSerialized reads back, in another process
    /// of the same program: kind, page number and detail.
    std::string serialized() const;
    /// Throws std::invalid_argument for bytes that serialized() did not make.
    static ExtractionFailure fromSerialized(std::string_view bytes);

    Kind kind() const { return kind_; }
    std::int64_t pageNumber() const { return pageNumber_; }
    const std::string& detail() const { return detail_; }

    /// The fixed Italian text the user sees, without a trailing line feed.
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    ExtractionFailure(Kind kind, std::int64_t pageNumber, std::string detail);

    Kind kind_;
    std::int64_t pageNumber_;
    std::string detail_;
    std::string description_;
};

}  // namespace leggipdf
