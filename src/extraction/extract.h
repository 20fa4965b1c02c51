#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "extraction/document.h"
#include "extraction/scan_progress.h"
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
    /// Waits for the pages handed over so far and throws as texts() does when
    /// one of them failed; returns otherwise. A later page's own failure must
    /// not hide an earlier page's.
    virtual void throwEarlierFailure() = 0;
};

/// The page drawn for recognition. Throws ExtractionFailure
/// renderingFailed(pageNumber) when no bitmap can be made for it.
PageImage drawnPage(const Page& page, std::int64_t pageNumber);

/// What `recognizer` reads in `image`. Throws ExtractionFailure
/// recognitionFailed(pageNumber, what()) when it throws std::exception.
std::string recognizedPageText(TextRecognizer& recognizer, const PageImage& image, std::int64_t pageNumber);

/// drawnPage then recognizedPageText, told to `progress` as the page starts
/// and, unless it fails, finishes; the image is released before it returns.
std::string scannedPageText(const Page& page, std::int64_t pageNumber, TextRecognizer& recognizer,
                            ScanProgress& progress);

/// Walks the pages of `document` in order, taking each page's text layer and
/// handing the pages whose normalised layer is empty to `scans`. Throws
/// ExtractionFailure: renderingFailed(pageNumber) when a page gives no bitmap,
/// recognitionFailed(pageNumber, what()) when the recognizer throws; where
/// several pages fail, the lowest-numbered. There is no partial result.
ExtractionResult extract(const Document& document, ScanReader& scans);

/// The walk with every page drawn and read by `recognizer` in this process
/// as soon as it is met, and released before the next page is fetched;
/// `progress` hears each page start and, unless it fails, finish.
ExtractionResult extract(const Document& document, TextRecognizer& recognizer,
                         ScanProgress& progress = ignoredProgress());

}  // namespace leggipdf
