// The whole extraction of a document given as bytes: the real Poppler
// adapter, rendering included, with a recogniser that only reads the pixels.
#include <sys/mman.h>
#include <unistd.h>

#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "extraction/extract.h"
#include "model/extraction_failure.h"
#include "pdf/poppler_document.h"
#include "text/normalized.h"

namespace {

using leggipdf::ExtractionFailure;

// Reads every pixel, so a wrong size or stride shows up under ASan, and
// answers "ink" or nothing, so both outcomes of recognition are walked.
struct PixelReader final : leggipdf::TextRecognizer {
    int calls = 0;
    std::string recognizedText(const leggipdf::PageImage& image) override {
        ++calls;
        assert(image.width > 0 && image.height > 0 && image.bytesPerRow >= image.width && image.pixels);
        bool ink = false;
        for (std::int64_t y = 0; y < image.height; ++y)
            for (std::int64_t x = 0; x < image.width; ++x) ink |= image.at(x, y) < 128;
        return ink ? "ink" : "";
    }
};

// The adapter takes a path; an in-memory file rewritten for each input costs
// no disk and leaves nothing behind.
std::string pathHolding(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("fuzz_extract", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
        std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<leggipdf::Document> document;
    try {
        document = leggipdf::openedPopplerDocument(pathHolding(data, size));
    } catch (const ExtractionFailure& failure) {
        assert(failure.kind() == ExtractionFailure::Kind::unreadablePDF);
        return 0;
    }
    const std::int64_t pageCount = document->pageCount();
    PixelReader reader;
    try {
        const leggipdf::ExtractionResult result = leggipdf::extract(*document, reader);
        for (std::int64_t previous = 0; const auto& page : result.pages) {
            assert(page.page > previous && page.page <= pageCount);
            assert(!page.text.empty() && leggipdf::normalized(page.text) == page.text);
            previous = page.page;
        }
        assert(result.usedOCR == (reader.calls > 0));
    } catch (const ExtractionFailure& failure) {
        // A page too large to draw is an expected outcome; nothing else is.
        assert(failure.kind() == ExtractionFailure::Kind::renderingFailed);
        assert(failure.pageNumber() >= 1 && failure.pageNumber() <= pageCount);
    }
    return 0;
}
