#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ocr/line_recognizer.h"

namespace leggipdf {

/// A page's writing system as a detector names it ("Latin", "Cyrillic",
/// "Han", "Japanese", …) and how sure it is, on the detector's own scale.
struct DetectedScript {
    std::string name;
    double confidence = 0;
};

/// Tells which writing system a page is in.
class ScriptDetector {
public:
    virtual ~ScriptDetector() = default;
    /// Empty when it cannot tell (too little text, say). Throws std::exception
    /// when the detection itself fails.
    virtual std::optional<DetectedScript> detectedScript(const PageImage& image) = 0;
};

/// The model that reads the Latin script, and every page nothing else claims.
inline constexpr const char* kFallbackModel = "Latin";

/// A Latin reading at least this confident (the mean of its lines, weighted
/// by their length) is kept without asking the detector. Pages in Latin
/// script read at 95 to 97 here; the same model reading Cyrillic, Greek,
/// Arabic, Chinese or Japanese pages stays under 50.
inline constexpr double kTrustedConfidence = 80.0;

/// Detections less sure than this, on the detector's scale, leave the page to
/// the Latin reading. True detections of clean pages measured 0.10 (Korean),
/// 1.2 to 1.8 (Chinese, Greek, Japanese) and up to 47 (Arabic); a page of two
/// words gets no detection at all. Low, because a detection is only asked for
/// when the Latin reading is untrusted, and its reading must still win on
/// confidence.
inline constexpr double kMinScriptConfidence = 0.05;

/// Reads each page with the Latin model first, and when that reading is not
/// trusted (kTrustedConfidence), asks the detector for the page's script and
/// reads it again with that script's model. Each line of that reading gives
/// way to the Latin line in the same place (half their joint area shared)
/// when that one is the more confident, and the result is kept when it is
/// more confident than the Latin reading as a whole. So Latin pages cost what
/// they always did, and the detector is made only for the first page that
/// needs it. The Latin engine is made in the constructor (so that processes
/// forked afterwards share it); the detector and every other engine on first
/// need, and each is kept for the rest of the run. The Latin reading stands
/// when the detector cannot be made, fails, cannot tell, is less sure than
/// kMinScriptConfidence, or names a script whose engine cannot be made (its
/// model is not installed).
class ScriptedRecognizer final : public LineRecognizer {
public:
    using EngineMaker = std::function<std::unique_ptr<LineRecognizer>(const std::string& model)>;
    using DetectorMaker = std::function<std::unique_ptr<ScriptDetector>()>;

    /// Throws what `makeEngine` throws for the Latin model.
    ScriptedRecognizer(DetectorMaker makeDetector, EngineMaker makeEngine);

    std::vector<Observation> recognizedLines(const PageImage& image) override;

private:
    std::string modelFor(const PageImage& image);
    LineRecognizer* engineFor(const std::string& model);

    DetectorMaker makeDetector_;
    EngineMaker makeEngine_;
    std::optional<std::unique_ptr<ScriptDetector>> detector_;          // null: cannot be made
    std::map<std::string, std::unique_ptr<LineRecognizer>> engines_;  // null: cannot be made
};

}  // namespace leggipdf
