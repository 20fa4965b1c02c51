#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "extraction/document.h"
#include "extraction/text_recognizer.h"
#include "model/extraction_result.h"

namespace leggipdf {

/// Reads the pages that have no text layer. The walk hands them over in page
/// order and asks for their texts once, at the end, so an implementation may
/// read several at once.
class ScanReader {
public:
    virtual ~ScanReader() = default;
    /// Takes `page` to be read. May wait for pages handed over before it, and
    /// throws as texts() does once one of them is known to have failed.
    virtual void read(std::unique_ptr<Page> page, std::int64_t pageNumber) = 0;
    /// The text of every page handed over, by page number, once all are read.
    /// Throws the failure of the lowest-numbered page that failed (the one a
    /// walk reading each page in turn would have met first).
    virtual std::map<std::int64_t, std::string> texts() = 0;
};

/// Reads each page in this process as soon as it is handed over, with
/// scannedPageText; the page is released before read returns.
class SequentialScanReader final : public ScanReader {
public:
    explicit SequentialScanReader(TextRecognizer& recognizer) : recognizer_(recognizer) {}
    void read(std::unique_ptr<Page> page, std::int64_t pageNumber) override;
    std::map<std::int64_t, std::string> texts() override { return std::move(texts_); }

private:
    TextRecognizer& recognizer_;
    std::map<std::int64_t, std::string> texts_;
};

/// Walks the pages of `document` in order, taking each page's text layer and
/// handing the pages whose normalised layer is empty to `scans`. Throws
/// ExtractionFailure: renderingFailed(pageNumber) when a page gives no bitmap,
/// recognitionFailed(pageNumber, what()) when the recognizer throws; where
/// several pages fail, the lowest-numbered. There is no partial result.
ExtractionResult extract(const Document& document, ScanReader& scans);

/// The walk with every page read in turn by `recognizer`.
ExtractionResult extract(const Document& document, TextRecognizer& recognizer);

/// A page without a text layer, drawn and read by `recognizer`; `drawn` is
/// called between the two. Throws ExtractionFailure renderingFailed or
/// recognitionFailed as extract does.
std::string scannedPageText(const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer,
                            const std::function<void()>& drawn = {});

}  // namespace leggipdf
