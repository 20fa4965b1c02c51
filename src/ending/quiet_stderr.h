#pragma once

#include <string_view>

namespace leggipdf {

/// While it lives, what libraries write straight to descriptor 2 (Poppler,
/// fontconfig and the OCR engine do, past any callback) goes to a file in
/// memory that nobody reads, and our own texts go to a private duplicate of
/// the real stderr. Needs no /dev/null: a container's empty /dev has none.
class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

    /// Where our own texts go.
    int descriptor() const;
    /// Writes `text` and a line feed there, allocating nothing (memory may be
    /// what ran out); returns 1, the run's status.
    int failed(std::string_view text) const;

private:
    int real_;
};

}  // namespace leggipdf
