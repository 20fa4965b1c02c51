#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "extraction/document.h"

namespace poppler {
class document;
}

namespace leggipdf {

/// A PDF opened with Poppler, which it owns.
class PopplerDocument final : public Document {
public:
    explicit PopplerDocument(std::unique_ptr<poppler::document> document);
    ~PopplerDocument() override;

    std::int64_t pageCount() const override;
    std::unique_ptr<Page> page(std::int64_t index) const override;
    /// Bytes of the bitmap the page at `index` is drawn in; 0 when none can
    /// be made for it or there is no such page.
    std::int64_t imageBytes(std::int64_t index) const;

private:
    std::unique_ptr<poppler::document> document_;
};

/// Opens the PDF at `path` with Poppler. Throws ExtractionFailure
/// unreadablePDF when Poppler cannot open it or it needs a user password.
/// Poppler's own diagnostics are silenced for the whole process.
std::unique_ptr<PopplerDocument> openedPopplerDocument(const std::string& path);

}  // namespace leggipdf
