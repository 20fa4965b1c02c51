#pragma once

#include <memory>
#include <vector>

#include "ocr/line_recognizer.h"

namespace leggipdf {

/// Pages skewed by less than this, in degrees, are read as they are. Tesseract
/// reads pages skewed by up to a degree as well as upright ones, while turning
/// a page softens its strokes; upright scans measure under 0.15 degrees.
inline constexpr double kMinStraightenedSkew = 0.5;

/// Skews measured with less confidence than this, on Leptonica's scale (the
/// ratio of the best alignment score to the worst), are not acted on. Pages of
/// Latin, Greek or Cyrillic text measure 8 to 44; Chinese and Japanese ones
/// 2.4 to 3.6, since their glyphs leave no baseline; photographs, which have
/// no lines to align, under 1.8 with angles of several degrees.
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
