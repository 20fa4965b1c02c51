#include "pdf/poppler_document.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include "model/extraction_failure.h"
#include "pdf/poppler_rendering.h"

namespace leggipdf {
namespace {

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

    std::string text() const override {
        // The reading-order layout keeps columns apart; the physical one
        // interleaves the lines of neighbouring columns.
        const poppler::byte_array utf8 =
            page_->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout).to_utf8();
        return {utf8.begin(), utf8.end()};
    }

    std::optional<PageImage> renderedImage() const override { return renderedPopplerPage(*page_); }

private:
    std::unique_ptr<poppler::page> page_;
};

}  // namespace

PopplerDocument::PopplerDocument(std::unique_ptr<poppler::document> document) : document_(std::move(document)) {}

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
    OpeningTrouble trouble;
    const DiagnosticsNoted noted(trouble);
    std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
    // A locked document opens, but every page would read as empty and the run
    // would report success with no text.
    if (!document || document->is_locked() || trouble.unsupportedEncryption) throw ExtractionFailure::unreadablePDF();
    // The page tree is read on the first question about it.
    if (document->pages() == 0 && trouble.pageCountRefused) throw ExtractionFailure::unreadablePDF();
    return std::make_unique<PopplerDocument>(std::move(document));
}

}  // namespace leggipdf
