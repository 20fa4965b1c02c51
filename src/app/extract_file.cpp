#include "app/extract_file.h"

#include "extraction/extract.h"
#include "ocr/lazy_recognizer.h"
#include "ocr/ocr_module.h"
#include "pdf/poppler_document.h"
#include "workers/forked_scan_reader.h"

namespace leggipdf {

ExtractionResult extractFile(const std::string& path, const Settings& settings) {
    const std::unique_ptr<PopplerDocument> document = openedPopplerDocument(path);
    // The OCR module is loaded on the first page that needs it, so documents
    // with a text layer never pay for it.
    LazyRecognizer recognizer(recognizerFromOcrModule);
    if (!settings.pageTimeout && settings.jobs <= 1) return extract(*document, recognizer);
    WorkerPlan plan{settings.jobs, settings.pageTimeout};
    plan.imageBytes = [&document](std::int64_t pageNumber) { return document->imageBytes(pageNumber - 1); };
    ForkedScanReader workers(
        recognizer, [&recognizer] { recognizer.load(); }, std::move(plan));
    return extract(*document, workers);
}

}  // namespace leggipdf
