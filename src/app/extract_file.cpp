#include "app/extract_file.h"

#include "app/page_timeout.h"
#include "extraction/extract.h"
#include "ocr/recognizer_loader.h"
#include "pdf/poppler_document.h"

namespace leggipdf {

ExtractionResult extract(const std::string& path, std::optional<double> pageTimeout) {
    const std::unique_ptr<Document> document = openedPopplerDocument(path);
    // The OCR engine is loaded on the first page that needs it, so documents
    // with a text layer never pay for it.
    LazyRecognizer recognizer;
    if (!pageTimeout) return extract(*document, recognizer);
    return extract(*document, recognizer, [&](const Page& page, std::int64_t pageNumber) {
        return boundedScanText(*pageTimeout, page, pageNumber, recognizer);
    });
}

}  // namespace leggipdf
