#pragma once

// All that crosses the dlopen boundary between the program and its OCR
// module, leggipdf-ocr.so: both sides are built from this header alone, and
// the module's version tag is a digest of it (made by the build), so a
// module built from any other text of it is refused before anything of it is
// called. Nothing here may depend on another header of the project.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ocr_interface/version_tag.h"  // generated: kOcrModuleVersion

namespace leggipdf {

/// A box in normalised image coordinates: 0..1, origin at the lower-left
/// corner, y growing upward.
struct Box {
    double x = 0, y = 0, width = 0, height = 0;
};

/// A rendered page: 8-bit grey, one byte per pixel, rows from the top of the
/// page down, white (255) where the page paints nothing. `storage` keeps the
/// pixels alive; the image is cheap to move and read-only once made.
struct PageImage {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytesPerRow = 0;
    const std::uint8_t* pixels = nullptr;
    std::shared_ptr<const void> storage;

    std::uint8_t at(std::int64_t x, std::int64_t y) const { return pixels[y * bytesPerRow + x]; }
};

/// One recognised line: its box (normalised, origin lower-left, y up), its
/// best reading, if the engine has one, and the engine's confidence in that
/// reading, from 0 to 100.
struct Observation {
    Box boundingBox;
    std::optional<std::string> candidate;
    double confidence = 0;
};

/// An OCR engine seen as a source of recognised lines, in its own order.
class LineRecognizer {
public:
    virtual ~LineRecognizer() = default;
    /// Throws std::exception (what() names the engine call that failed).
    virtual std::vector<Observation> recognizedLines(const PageImage& image) = 0;
};

/// What the program tells the module, which reads no setting of its own
/// (the engine itself reads TESSDATA_PREFIX): the resolution its pages are
/// drawn at, in dots per inch.
struct ModuleSettings {
    double dotsPerInch = 0;
};

/// Names under which the module exports the two symbols below.
inline constexpr const char* kLineRecognizerFactory = "leggipdfCreateLineRecognizer";
inline constexpr const char* kOcrModuleVersionSymbol = "leggipdfOcrModuleVersion";

}  // namespace leggipdf

// Exported by the module, whose other symbols are hidden.
extern "C" {
/// The module's version tag, kOcrModuleVersion, checked by the loader before
/// anything else of the module is used.
__attribute__((visibility("default"))) extern const char* const leggipdfOcrModuleVersion;
/// The module's recogniser, made with the loader's settings; the caller owns
/// it and deletes it before the module is closed. Throws std::exception when
/// the engine or its model cannot be loaded.
__attribute__((visibility("default"))) leggipdf::LineRecognizer* leggipdfCreateLineRecognizer(
    const leggipdf::ModuleSettings& settings);
}
