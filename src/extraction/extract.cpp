#include "extraction/extract.h"

#include <exception>
#include <new>
#include <utility>

#include "model/extraction_failure.h"
#include "text/normalized.h"

namespace leggipdf {
namespace {

class SequentialScanReader final : public ScanReader {
public:
    SequentialScanReader(TextRecognizer& recognizer, ScanProgress& progress)
        : recognizer_(recognizer), progress_(progress) {}

    void read(std::unique_ptr<Page> page, std::int64_t pageNumber) override {
        texts_[pageNumber] = scannedPageText(*page, pageNumber, recognizer_, progress_);
    }
    std::map<std::int64_t, std::string> texts() override { return std::move(texts_); }
    void throwEarlierFailure() override {}  // every page before has already been read

private:
    TextRecognizer& recognizer_;
    ScanProgress& progress_;
    std::map<std::int64_t, std::string> texts_;
};

}  // namespace

PageImage drawnPage(const Page& page, std::int64_t pageNumber) {
    std::optional<PageImage> image = page.renderedImage();
    if (!image) throw ExtractionFailure::renderingFailed(pageNumber);
    return std::move(*image);
}

std::string recognizedPageText(TextRecognizer& recognizer, const PageImage& image, std::int64_t pageNumber) {
    try {
        return recognizer.recognizedText(image);
    } catch (const std::bad_alloc&) {
        throw;  // memory that ran out is the run's failure, not the page's
    } catch (const std::exception& error) {
        throw ExtractionFailure::recognitionFailed(pageNumber, error.what());
    }
}

std::string scannedPageText(const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer,
                            ScanProgress& progress) {
    progress.pageStarted(pageNumber);
    std::string text;
    {
        // The image lives only in this scope, so it is released before the
        // next page is fetched, whichever way recognition ends.
        const PageImage image = drawnPage(page, pageNumber);
        text = recognizedPageText(recognizer, image, pageNumber);
    }
    progress.pageFinished(pageNumber);
    return text;
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
            scans.throwEarlierFailure();
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

ExtractionResult extract(const Document& document, TextRecognizer& recognizer, ScanProgress& progress) {
    SequentialScanReader scans(recognizer, progress);
    return extract(document, scans);
}

}  // namespace leggipdf
