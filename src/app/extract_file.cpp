#include "app/extract_file.h"

#include "extraction/extract.h"
#include "ocr/recognizer_loader.h"
#include "pdf/poppler_document.h"
#include "workers/forked_scan_reader.h"

namespace leggipdf {

ExtractionResult extract(const std::string& path, const Settings& settings) {
    const std::unique_ptr<Document> document = openedPopplerDocument(path);
    // The OCR engine is loaded on the first page that needs it, so documents
    // with a text layer never pay for it.
    LazyRecognizer recognizer;
    if (!settings.pageTimeout && settings.jobs <= 1) return extract(*document, recognizer);
    ForkedScanReader workers(recognizer, {settings.jobs, settings.pageTimeout});
    return extract(*document, workers);
}

}  // namespace leggipdf
