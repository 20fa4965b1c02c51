#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ocr_interface/ocr_interface.h"
#include "ocr_module/page_turn.h"

namespace leggipdf {

/// A page's writing system as a detector names it ("Latin", "Cyrillic",
/// "Han", "Japanese", …) and how sure it is, on the detector's own scale;
/// and how the page is turned, and how sure it is of that.
struct DetectedScript {
    std::string name;
    double confidence = 0;
    PageTurn turn = PageTurn::none;
    double turnConfidence = 0;
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

/// A page is read again set upright only when the detector is at least this
/// sure it is turned. Real pages turned by a quarter or a half measured 19 to
/// 31 on the detector's scale, upright ones no turn at all.
inline constexpr double kMinTurnConfidence = 5.0;

/// A page whose best reading is less confident than this is read once more,
/// turned by a half from the way that reading took it. On coarse scans (a fax in
/// its standard mode, 100 lines an inch) the detector takes a page upside
/// down for an upright one, and the other way round, with the confidence of
/// a true detection (18 here); read so, they come out at 25 to 30, while
/// upright pages of those scans read at 65 to 75 and clean ones at 95.
inline constexpr double kUnreadableConfidence = 50.0;

/// Reads each page with the Latin model first, and when that reading is not
/// trusted (kTrustedConfidence), asks the detector for the page's script and
/// how it is turned. A page turned (kMinTurnConfidence) is set upright and
/// read again with its script's model; an upright one in another script is
/// read again with that script's model, each line of which gives way to the
/// Latin line in the same place (half their joint area shared) when that one
/// is the more confident. The second reading is kept when it is more
/// confident than the Latin reading as a whole. So Latin pages cost what they
/// always did, and the detector is made only for the first page that needs
/// it. The Latin engine is made in the constructor (so that processes forked
/// afterwards share it); the detector and every other engine on first need,
/// and each is kept for the rest of the run. The Latin reading stands when
/// the detector cannot be made, fails, cannot tell, is less sure than
/// kMinScriptConfidence of the script and kMinTurnConfidence of the turn, or
/// names a script whose engine cannot be made (its model is not installed).
/// A page whose best reading so far is still under kUnreadableConfidence,
/// unless that reading was of the page set upside down, is turned by a half
/// from that reading and read again the same way (Latin first, the detected
/// script when that is untrusted, no further turn), and kept so when that is
/// more confident: up to two engine readings and a detection more, for
/// pages that read as garbage either way (a photograph, say).
class ScriptedRecognizer final : public LineRecognizer {
public:
    using EngineMaker = std::function<std::unique_ptr<LineRecognizer>(const std::string& model)>;
    using DetectorMaker = std::function<std::unique_ptr<ScriptDetector>()>;

    /// Throws what `makeEngine` throws for the Latin model.
    ScriptedRecognizer(DetectorMaker makeDetector, EngineMaker makeEngine);

    std::vector<Observation> recognizedLines(const PageImage& image) override;

private:
    struct Reading {
        std::string model;
        PageTurn turn = PageTurn::none;
    };
    Reading secondReadingFor(const PageImage& image);
    std::optional<std::vector<Observation>> readingOf(const Reading& how, const PageImage& image,
                                                      const std::vector<Observation>& latin);
    LineRecognizer* engineFor(const std::string& model);
    // Lines read, and the turn they were read at.
    struct ScriptedReading {
        std::vector<Observation> lines;
        PageTurn turn = PageTurn::none;
    };
    // The Latin reading, or when it is untrusted and the other is more
    // confident, the detected script's (set upright first if `mayTurn`).
    ScriptedReading scriptedReading(const PageImage& image, bool mayTurn);

    DetectorMaker makeDetector_;
    EngineMaker makeEngine_;
    std::optional<std::unique_ptr<ScriptDetector>> detector_;         // null: cannot be made
    std::map<std::string, std::unique_ptr<LineRecognizer>> engines_;  // null: cannot be made
};

}  // namespace leggipdf
