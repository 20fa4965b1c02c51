#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ocr/page_image.h"

namespace leggipdf {

/// One page of an open document, as the page walk needs it.
class Page {
public:
    virtual ~Page() = default;
    /// The page's text layer in UTF-8; empty when it has none.
    virtual std::string text() const = 0;
    /// The page drawn for recognition. Throws ExtractionFailure
    /// renderingFailed(pageNumber) when no bitmap can be made for it.
    virtual PageImage renderedImage(std::int64_t pageNumber) const = 0;
};

/// An open document. Implementations own their library objects and release
/// them on destruction.
class Document {
public:
    virtual ~Document() = default;
    virtual std::int64_t pageCount() const = 0;
    /// The page at a 0-based index, or nullptr when the document has none there.
    virtual std::unique_ptr<Page> page(std::int64_t index) const = 0;
};

}  // namespace leggipdf
