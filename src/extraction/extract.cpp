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

void SequentialScanReader::read(std::unique_ptr<Page> page, std::int64_t pageNumber) {
    texts_[pageNumber] = scannedPageText(*page, pageNumber, recognizer_);
}

ExtractionResult extract(const Document& document, ScanReader& scans) {
    ExtractionResult result;
    std::map<std::int64_t, std::string> layers;
    const std::int64_t pageCount = document.pageCount();
    for (std::int64_t index = 0; index < pageCount; ++index) {
        const std::int64_t pageNumber = index + 1;
        std::unique_ptr<Page> page;
        std::string text;
        try {
            page = document.page(index);
            if (!page) continue;
            text = normalized(page->text());
        } catch (...) {
            // A page handed over earlier may have failed: that failure comes first.
            scans.texts();
            throw;
        }
        if (text.empty()) {
            scans.read(std::move(page), pageNumber);
            result.usedOCR = true;
        } else {
            layers.emplace(pageNumber, std::move(text));
        }
    }
    layers.merge(scans.texts());
    for (auto& [pageNumber, text] : layers) {
        if (!text.empty()) result.pages.push_back({pageNumber, std::move(text)});
    }
    return result;
}

ExtractionResult extract(const Document& document, TextRecognizer& recognizer) {
    SequentialScanReader scans(recognizer);
    return extract(document, scans);
}

}  // namespace leggipdf
