#include "extraction/extract.h"

#include <exception>
#include <utility>

#include "model/extraction_failure.h"
#include "text/normalized.h"

namespace leggipdf {

std::string scannedPageText(const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer,
                            const std::function<void()>& drawn) {
    // The image lives only in this scope, so it is released before the next
    // page is fetched, whichever way recognition ends.
    const std::optional<PageImage> image = page.renderedImage();
    if (!image) throw ExtractionFailure::renderingFailed(pageNumber);
    if (drawn) drawn();
    try {
        return recognizer.recognizedText(*image);
    } catch (const std::exception& error) {
        throw ExtractionFailure::recognitionFailed(pageNumber, error.what());
    }
}

ExtractionResult extract(const Document& document, TextRecognizer& recognizer, const ScanReading& readScan) {
    ExtractionResult result;
    const std::int64_t pageCount = document.pageCount();
    for (std::int64_t index = 0; index < pageCount; ++index) {
        const std::int64_t pageNumber = index + 1;
        const std::unique_ptr<Page> page = document.page(index);
        if (!page) continue;
        std::string text = normalized(page->text());
        if (text.empty()) {
            text = readScan ? readScan(*page, pageNumber) : scannedPageText(*page, pageNumber, recognizer);
            result.usedOCR = true;
        }
        if (!text.empty()) result.pages.push_back({pageNumber, std::move(text)});
    }
    return result;
}

}  // namespace leggipdf
