#pragma once

#include <memory>
#include <vector>

#include "ocr_interface/ocr_interface.h"

namespace leggipdf {

/// Pages skewed by less than this, in degrees, are read as they are:
/// Tesseract reads a page skewed by a degree about as well as an upright one,
/// and turning a page softens its strokes. Upright scans measure under 0.15.
inline constexpr double kMinStraightenedSkew = 0.5;

/// Skews measured with less confidence than this, on Leptonica's scale (the
/// ratio of the best alignment score to the worst), are not acted on. Pages of
/// Latin, Greek or Cyrillic text measure 8 to 44, skewed or not; Chinese,
/// Japanese and Arabic ones only 2.2 to 3.8: Leptonica's own cut of 3 would
/// leave most of those skewed, and a full Chinese page at 3 degrees came out
/// as gibberish. Photographs, which have no lines to align, measure 0 to 1.7
/// at angles of up to 6 degrees; turning them would only cost time.
inline constexpr double kMinSkewConfidence = 2.0;

/// Reads each page with `inner`, after turning it upright when it lies askew
/// by kMinStraightenedSkew or more (up to Leptonica's reach of 7 degrees), as
/// a page laid on a scanner by hand does. The boxes of the lines are those of
/// the straightened page, which has the size of the original, its corners
/// clipped and its gaps white. A page whose skew cannot be measured, or that
/// Leptonica cannot turn, is read as it is; an upright page is handed over
/// without being copied.
class StraightenedRecognizer final : public LineRecognizer {
public:
    explicit StraightenedRecognizer(std::unique_ptr<LineRecognizer> inner);

    /// Throws what the inner recognizer throws, and std::bad_alloc.
    std::vector<Observation> recognizedLines(const PageImage& image) override;

private:
    std::unique_ptr<LineRecognizer> inner_;
};

}  // namespace leggipdf
