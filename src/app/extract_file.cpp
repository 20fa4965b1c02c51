#include "app/extract_file.h"

#include "extraction/extract.h"
#include "image/page_size.h"
#include "ocr/lazy_recognizer.h"
#include "ocr_loader/ocr_module.h"
#include "pdf/poppler_document.h"
#include "progress/progress_line.h"
#include "workers/forked_scan_reader.h"

namespace leggipdf {

ExtractionResult extractFile(const std::string& path, const Settings& settings, int progressDescriptor) {
    const std::unique_ptr<PopplerDocument> document = openedPopplerDocument(path);
    // Destroyed after the readers, so the line goes once the last worker has.
    const std::unique_ptr<ScanProgress> progress = progressShownOn(progressDescriptor, document->pageCount());
    // The OCR module is loaded on the first page that needs it, so documents
    // with a text layer never pay for it.
    LazyRecognizer recognizer([] { return recognizerFromOcrModule({kRenderDotsPerInch}); });
    if (!settings.pageTimeout && settings.jobs <= 1) return extract(*document, recognizer, *progress);
    WorkerPlan plan{settings.jobs, settings.pageTimeout};
    plan.imageBytes = [&document](std::int64_t pageNumber) { return document->imageBytes(pageNumber - 1); };
    ForkedScanReader workers(
        recognizer, [&recognizer] { recognizer.load(); }, std::move(plan), *progress);
    return extract(*document, workers);
}

}  // namespace leggipdf
