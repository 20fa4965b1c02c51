#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "extraction/document.h"
#include "io/whole_read.h"

namespace poppler {
class document;
}

namespace leggipdf {

/// A PDF opened with Poppler, which it owns, with the bytes Poppler reads it
/// from when they are in memory.
class PopplerDocument final : public Document {
public:
    explicit PopplerDocument(std::unique_ptr<poppler::document> document, std::optional<Contents> bytes = {});
    ~PopplerDocument() override;

    std::int64_t pageCount() const override;
    std::unique_ptr<Page> page(std::int64_t index) const override;
    /// Bytes of the bitmap the page at `index` is drawn in; 0 when none can
    /// be made for it or there is no such page.
    std::int64_t imageBytes(std::int64_t index) const;

private:
    std::optional<Contents> bytes_;  // declared first, so it outlives the document that reads it
    std::unique_ptr<poppler::document> document_;
};

/// Opens the PDF at `path` with Poppler: a regular file from where it lies,
/// a pipe, a FIFO or a character device (which cannot seek) once read whole
/// into memory. Throws ExtractionFailure unreadablePDF when
/// the path cannot be opened or read, holds more than 2 GiB - 1 bytes that
/// must go to memory, or Poppler cannot open it or it needs a user password;
/// std::bad_alloc when memory for the copy cannot be had. Poppler's own
/// diagnostics are silenced for the whole process.
std::unique_ptr<PopplerDocument> openedPopplerDocument(const std::string& path);

}  // namespace leggipdf
