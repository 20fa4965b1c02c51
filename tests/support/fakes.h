#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "extraction/document.h"
#include "extraction/text_recognizer.h"

namespace leggipdf::testing {

/// A fake page: its text layer, and the id its image carries (as its width)
/// to tell the recogniser what to answer; id -1 makes the rendering fail.
struct FakePageContent {
    std::string textLayer;
    std::int64_t imageId = 0;
    bool layerRunsOutOfMemory = false;
    int layerMilliseconds = 0;  // how long reading the text layer takes
};

/// A document of the given pages (nullopt: no page at that index) that
/// records the indices fetched and how many pages are alive at once.
class FakeDocument final : public Document {
public:
    explicit FakeDocument(std::vector<std::optional<FakePageContent>> pages) : pages_(std::move(pages)) {}
    std::int64_t pageCount() const override { return static_cast<std::int64_t>(pages_.size()); }
    std::unique_ptr<Page> page(std::int64_t index) const override {
        fetched.push_back(index);
        const auto& content = pages_.at(static_cast<std::size_t>(index));
        return content ? std::make_unique<FakePage>(*content, *this) : nullptr;
    }
    mutable std::vector<std::int64_t> fetched;
    mutable int livePages = 0, maxLivePages = 0;

private:
    struct FakePage final : Page {
        FakePage(FakePageContent content, const FakeDocument& owner) : content_(std::move(content)), owner_(owner) {
            owner_.maxLivePages = std::max(owner_.maxLivePages, ++owner_.livePages);
        }
        ~FakePage() override { --owner_.livePages; }
        std::string text() const override {
            if (content_.layerRunsOutOfMemory) throw std::bad_alloc();
            std::this_thread::sleep_for(std::chrono::milliseconds(content_.layerMilliseconds));
            return content_.textLayer;
        }
        std::optional<PageImage> renderedImage() const override {
            if (content_.imageId < 0) return std::nullopt;
            return PageImage{content_.imageId, 1, 1, nullptr, nullptr};
        }
        FakePageContent content_;
        const FakeDocument& owner_;
    };
    std::vector<std::optional<FakePageContent>> pages_;
};

/// Answers with the text given for an image id; throws for the id `failing`.
struct FakeRecognizer final : TextRecognizer {
    std::map<std::int64_t, std::string> texts;
    std::int64_t failing = -2;
    std::vector<std::int64_t> seen;

    std::string recognizedText(const PageImage& image) override {
        seen.push_back(image.width);
        if (image.width == failing) throw std::runtime_error("engine error " + std::to_string(image.width));
        return texts[image.width];
    }
};

}  // namespace leggipdf::testing
