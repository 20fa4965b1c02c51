#include "pdf/poppler_document.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include "model/extraction_failure.h"
#include "pdf/poppler_rendering.h"

namespace leggipdf {
namespace {

void ignoreDiagnostic(const std::string&, void*) {}

// Poppler opens a document whose encryption it cannot undo (an unknown crypt
// filter method, say) and then reads its encrypted bytes as if plain: the run
// would succeed with no text. The only sign is a diagnostic while it opens.
void noteSecurityHandlerTrouble(const std::string& message, void* seen) {
    if (message.find("security handler") != std::string::npos) *static_cast<bool*>(seen) = true;
}

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
    bool unsupportedEncryption = false;
    poppler::set_debug_error_function(noteSecurityHandlerTrouble, &unsupportedEncryption);
    std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
    poppler::set_debug_error_function(ignoreDiagnostic, nullptr);
    // A locked document opens, but every page would read as empty and the run
    // would report success with no text.
    if (!document || document->is_locked() || unsupportedEncryption) throw ExtractionFailure::unreadablePDF();
    return std::make_unique<PopplerDocument>(std::move(document));
}

}  // namespace leggipdf
