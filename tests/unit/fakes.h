#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "extraction/document.h"
#include "extraction/text_recognizer.h"
#include "model/extraction_failure.h"

namespace leggipdf::testing {

/// What a fake page holds: its text layer, and the text its image would be
/// recognised as (carried in the image's width so the recogniser can see it).
struct FakePageContent {
    std::string textLayer;
    int imageId = 0;
    bool renderingFails = false;
};

/// Records every page fetched and every page rendered.
struct FakeLog {
    std::vector<std::int64_t> fetched;
    std::vector<std::int64_t> rendered;
    int livePages = 0;
    int maxLivePages = 0;
};

class FakePage final : public Page {
public:
    FakePage(FakePageContent content, FakeLog& log) : content_(std::move(content)), log_(log) {
        log_.maxLivePages = std::max(log_.maxLivePages, ++log_.livePages);
    }
    ~FakePage() override { --log_.livePages; }

    std::string text() const override { return content_.textLayer; }
    PageImage renderedImage(std::int64_t pageNumber) const override {
        log_.rendered.push_back(pageNumber);
        if (content_.renderingFails) throw ExtractionFailure::renderingFailed(pageNumber);
        PageImage image;
        image.width = content_.imageId;
        image.height = 1;
        return image;
    }

private:
    FakePageContent content_;
    FakeLog& log_;
};

/// A document of the given pages; a nullopt entry is an index for which the
/// document returns no page.
class FakeDocument final : public Document {
public:
    explicit FakeDocument(std::vector<std::optional<FakePageContent>> pages) : pages_(std::move(pages)) {}
    std::int64_t pageCount() const override { return static_cast<std::int64_t>(pages_.size()); }
    std::unique_ptr<Page> page(std::int64_t index) const override {
        log.fetched.push_back(index);
        const auto& content = pages_.at(static_cast<std::size_t>(index));
        if (!content) return nullptr;
        return std::make_unique<FakePage>(*content, log);
    }
    mutable FakeLog log;

private:
    std::vector<std::optional<FakePageContent>> pages_;
};

/// Answers with the text registered for an image id; throws for ids in `failing`.
class FakeRecognizer final : public TextRecognizer {
public:
    std::map<int, std::string> texts;
    std::set<int> failing;
    std::vector<int> seen;

    std::string recognizedText(const PageImage& image) override {
        const int id = static_cast<int>(image.width);
        seen.push_back(id);
        if (failing.count(id)) throw std::runtime_error("engine error for image " + std::to_string(id));
        return texts[id];
    }
};

}  // namespace leggipdf::testing
