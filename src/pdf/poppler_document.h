#pragma once

#include <memory>
#include <string>

#include "extraction/document.h"

namespace leggipdf {

/// Opens the PDF at `path` with Poppler. Throws ExtractionFailure
/// unreadablePDF when Poppler cannot open it or it needs a user password.
/// Poppler's own diagnostics are silenced for the whole process.
std::unique_ptr<Document> openedPopplerDocument(const std::string& path);

}  // namespace leggipdf
