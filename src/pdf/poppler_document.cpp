#include "pdf/poppler_document.h"

#include <fcntl.h>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <new>
#include <optional>
#include <system_error>

#include "model/extraction_failure.h"
#include "pdf/poppler_rendering.h"

namespace leggipdf {
namespace {

// Poppler counts the bytes of a document in memory in an int.
constexpr std::size_t kMostInMemory = std::numeric_limits<int>::max();

class OpenFile {
public:
    explicit OpenFile(const std::string& path) : descriptor_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~OpenFile() {
        if (descriptor_ >= 0) close(descriptor_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int descriptor() const { return descriptor_; }

private:
    int descriptor_;
};

// Poppler seeks back and forth in a document, and what comes through a pipe,
// a FIFO or a terminal can be read only once, in order: that is copied into
// memory. A regular file (or a block device) is left to Poppler, with no copy;
// so is a directory, which it refuses as it always did. (A socket never gets
// here: Linux refuses to open one by its path.)
std::optional<Contents> unseekableContents(const std::string& path) {
    const OpenFile file(path);
    struct stat status = {};
    if (file.descriptor() < 0 || fstat(file.descriptor(), &status) != 0) throw ExtractionFailure::unreadablePDF();
    if (!S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode)) return std::nullopt;
    try {
        Contents contents = contentsOf(file.descriptor(), kMostInMemory);
        if (contents.size() > kMostInMemory) throw ExtractionFailure::unreadablePDF();
        return contents;
    } catch (const std::system_error&) {
        throw ExtractionFailure::unreadablePDF();
    }
}

std::unique_ptr<poppler::document> loadedDocument(const std::string& path, const std::optional<Contents>& bytes) {
    if (!bytes) return std::unique_ptr<poppler::document>(poppler::document::load_from_file(path));
    // Poppler reads the bytes where they lie, without a copy of its own.
    return std::unique_ptr<poppler::document>(
        poppler::document::load_from_raw_data(bytes->data(), static_cast<int>(bytes->size())));
}

void ignoreDiagnostic(const std::string&, void*) {}

// What Poppler's diagnostics reveal while a document opens that its answers
// hide; each would otherwise let the run succeed with no text.
struct OpeningTrouble {
    // Encryption it cannot undo (an unknown crypt filter method, say): the
    // encrypted bytes are then read as if plain.
    bool unsupportedEncryption = false;
    // A page tree that is missing, or whose count is negative, of the wrong
    // type or larger than the file could hold, is reported as a document of no
    // pages. The count of a genuinely empty tree is refused too, as "Invalid
    // page count 0".
    bool pageCountRefused = false;
};

void noteOpeningTrouble(const std::string& message, void* trouble) {
    auto& seen = *static_cast<OpeningTrouble*>(trouble);
    if (message.find("security handler") != std::string::npos) seen.unsupportedEncryption = true;
    const bool aboutTree = message.find("age count") != std::string::npos ||
                           message.find("Top-level pages object") != std::string::npos;
    if (aboutTree && !message.ends_with("Invalid page count 0")) seen.pageCountRefused = true;
}

// While it lives, Poppler's diagnostics are noted in `trouble`; afterwards
// they are dropped.
class DiagnosticsNoted {
public:
    explicit DiagnosticsNoted(OpeningTrouble& trouble) { poppler::set_debug_error_function(noteOpeningTrouble, &trouble); }
    ~DiagnosticsNoted() { poppler::set_debug_error_function(ignoreDiagnostic, nullptr); }
    DiagnosticsNoted(const DiagnosticsNoted&) = delete;
    DiagnosticsNoted& operator=(const DiagnosticsNoted&) = delete;
};

class PopplerPage final : public Page {
public:
    explicit PopplerPage(std::unique_ptr<poppler::page> page) : page_(std::move(page)) {}

    // Poppler converts the text with iconv and gives an empty text when a
    // converter cannot be opened, which only memory that ran out makes
    // happen: the page would go to OCR as if it had no text layer. So an
    // empty text is read a second time, and memory known to have run out is
    // the run's failure.
    std::string text() const override {
        std::string text = convertedText();
        if (text.empty()) text = convertedText();
        return text;
    }

    std::optional<PageImage> renderedImage() const override { return renderedPopplerPage(*page_); }

private:
    std::string convertedText() const {
        errno = 0;
        // The reading-order layout keeps columns apart; the physical one
        // interleaves the lines of neighbouring columns.
        const poppler::byte_array utf8 =
            page_->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout).to_utf8();
        if (utf8.empty() && errno == ENOMEM) throw std::bad_alloc();
        return {utf8.begin(), utf8.end()};
    }

    std::unique_ptr<poppler::page> page_;
};

}  // namespace

PopplerDocument::PopplerDocument(std::unique_ptr<poppler::document> document, std::optional<Contents> bytes)
    : bytes_(std::move(bytes)), document_(std::move(document)) {}

PopplerDocument::~PopplerDocument() = default;

std::int64_t PopplerDocument::pageCount() const { return document_->pages(); }

std::unique_ptr<Page> PopplerDocument::page(std::int64_t index) const {
    if (index < 0 || index >= pageCount()) return nullptr;
    std::unique_ptr<poppler::page> page(document_->create_page(static_cast<int>(index)));
    if (!page) return nullptr;
    return std::make_unique<PopplerPage>(std::move(page));
}

std::int64_t PopplerDocument::imageBytes(std::int64_t index) const {
    if (index < 0 || index >= pageCount()) return 0;
    const std::unique_ptr<poppler::page> page(document_->create_page(static_cast<int>(index)));
    return page ? popplerImageBytes(*page) : 0;
}

std::unique_ptr<PopplerDocument> openedPopplerDocument(const std::string& path) {
    // Declared before the document, so it is released after it on every way out.
    std::optional<Contents> bytes = unseekableContents(path);
    OpeningTrouble trouble;
    const DiagnosticsNoted noted(trouble);
    std::unique_ptr<poppler::document> document = loadedDocument(path, bytes);
    // A locked document opens, but every page would read as empty and the run
    // would report success with no text.
    if (!document || document->is_locked() || trouble.unsupportedEncryption) throw ExtractionFailure::unreadablePDF();
    // The page tree is read on the first question about it.
    if (document->pages() == 0 && trouble.pageCountRefused) throw ExtractionFailure::unreadablePDF();
    return std::make_unique<PopplerDocument>(std::move(document), std::move(bytes));
}

}  // namespace leggipdf
