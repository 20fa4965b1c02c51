#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "image/page_image.h"

namespace leggipdf {

/// One page of an open document, as the page walk needs it.
class Page {
public:
    virtual ~Page() = default;
    /// The page's text layer in UTF-8; empty when it has none.
    virtual std::string text() const = 0;
    /// The page drawn for recognition, or empty when no bitmap can be made
    /// for it (too large, out of memory, a drawing that failed).
    virtual std::optional<PageImage> renderedImage() const = 0;
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
