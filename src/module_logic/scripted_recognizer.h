#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "module_logic/page_turn.h"
#include "ocr_interface/ocr_interface.h"

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
/// by their length) is kept without asking the detector, unless it leaves
/// too much unread (kHiddenScriptShare). Pages in Latin script read at 95 to
/// 97 here; the same model reading Cyrillic, Greek, Arabic, Chinese or
/// Japanese pages stays under 50.
inline constexpr double kTrustedConfidence = 80.0;

/// A line of the Latin reading less confident than this is one it could not
/// read. Pages in Latin script have none or a few (a diagram's labels, a
/// formula); a Japanese page with APT's paths and commands read as Latin
/// had over 90% of its lines under it. The detector is shown only the lines
/// under it: on a Greek page with an English menu, the whole page passed
/// for Latin.
inline constexpr double kUnreadLineConfidence = 50.0;

/// A trusted Latin reading whose lines under kUnreadLineConfidence cover at
/// least this share of the area of its lines may hide another script: the
/// detector is asked about those lines.
inline constexpr double kHiddenScriptShare = 0.15;

/// Detections less sure than this, on the detector's scale, leave the page to
/// the Latin reading. True detections of clean pages measured 0.08 to 0.10
/// (Korean), 1.1 to 3 (Chinese, Greek, Japanese) and up to 140 (Arabic); a
/// page of two words gets no detection at all. Low, because a detection is
/// only asked for when the Latin reading is untrusted or leaves lines
/// unread, and the script's reading must still hold that script
/// (kMinOtherScriptShare).
inline constexpr double kMinScriptConfidence = 0.05;

/// A script's reading replaces the Latin one only when at least this share
/// of its characters are of a script other than Latin (digits, punctuation
/// and symbols count as neither). The script is read with its model and the
/// Latin one together, so a Latin page taken for another script comes out
/// nearly all Latin and keeps its Latin reading.
inline constexpr double kMinOtherScriptShare = 0.05;

/// The one script read with its own model alone: read together with Latin's,
/// the engine took Latin gibberish over Arabic words (it weighs the two
/// models' raw scores against each other, and Arabic scores low): 16% and
/// 66% of errors on pages of GTK's and APT's Arabic messages, against 9% and
/// 17% with the Arabic model alone. Every other script read as well or better with
/// Latin's model beside it on pages that mix in Latin commands (Greek 1.1%
/// against 27%), and within a point on pages that do not.
inline constexpr const char* kReadAlone = "Arabic";

/// How many of a page's lines are read with the Latin model before the whole
/// page: one near the middle of its text and, when that one is untrusted,
/// one further down. A line read as Latin measured 96 on a dense manual
/// page; lines of Russian, Greek, Korean, Japanese, Chinese, Arabic, Hebrew
/// and Hindi 5 to 63.
inline constexpr int kProbeLines = 2;

/// A page is read again set upright only when the detector is at least this
/// sure it is turned. Real pages turned by a quarter or a half measured 19 to
/// 31 on the detector's scale, upright ones no turn at all.
inline constexpr double kMinTurnConfidence = 5.0;

/// A page whose reading is less confident than this is read once more,
/// turned by a half from the way that reading took it. On coarse scans (a
/// fax in its standard mode, 100 lines an inch) the detector takes a page
/// upside down for an upright one, and the other way round, with the
/// confidence of a true detection (18 here); read so, they come out at 25
/// to 30, while upright pages of those scans read at 65 to 75 and clean ones
/// at 95.
inline constexpr double kUnreadableConfidence = 50.0;

/// Reads each page with the Latin model, first on one or two of its lines
/// (kProbeLines): when one of them reads trusted (kTrustedConfidence), the
/// whole page is read with the Latin model, and when that reading is trusted
/// and leaves little unread (kHiddenScriptShare), it stands. So Latin pages
/// cost what they always did, with the reading of one line more, and the
/// detector is made only for the first page that needs it.
///
/// Where the probed lines read untrusted, the detector is asked at once, on
/// the whole page, for its script and how it is turned; where the whole
/// Latin reading is untrusted or leaves lines unread, it is asked on the page
/// less the lines that reading could read. A page turned (kMinTurnConfidence) is set upright
/// and read the same way anew, Latin first, its script detected again on
/// the upright page: the script named on a turned page is a guess. An
/// upright page whose script is named (kMinScriptConfidence) is read with
/// that script's model and the Latin one together ("Cyrillic+Latin"; Arabic
/// alone, kReadAlone), as mixed pages need, and that reading is kept when it
/// holds the script (kMinOtherScriptShare); otherwise the page is read with
/// the Latin model in full, if it was not yet. No reading is chosen over
/// another of a different model by its confidence: each model has a scale
/// of its own.
///
/// A page whose reading is under kUnreadableConfidence, unless that reading
/// was of the page set upside down, is turned by a half from it and read
/// again the same way (no further turn); the way up kept is the one whose
/// Latin reading (of the probed lines, when the page was not read with Latin
/// in full) is the more confident: up to two engine readings and a
/// detection more, for pages that read as garbage either way (a photograph,
/// say).
///
/// The Latin engine is made in the constructor (so that processes forked
/// afterwards share it); the detector and every other engine on first need,
/// and each is kept for the rest of the run. The Latin reading stands when
/// the detector cannot be made, fails or cannot tell, or names a script
/// whose engine cannot be made (its model is not installed).
class ScriptedRecognizer final : public LineRecognizer {
public:
    using EngineMaker = std::function<std::unique_ptr<LineRecognizer>(const std::string& model)>;
    using DetectorMaker = std::function<std::unique_ptr<ScriptDetector>()>;

    /// Throws what `makeEngine` throws for the Latin model.
    ScriptedRecognizer(DetectorMaker makeDetector, EngineMaker makeEngine);

    std::vector<Observation> recognizedLines(const PageImage& image) override;

private:
    // Lines kept for a page, the confidence of its Latin reading and of the
    // lines kept, and the turn they were read at.
    struct Reading {
        std::vector<Observation> lines;
        double latinConfidence = 0, confidence = 0;
        PageTurn turn = PageTurn::none;
    };
    Reading readingOf(const PageImage& image, bool mayTurn);
    Reading uprightReading(const PageImage& image, PageTurn turn);
    std::optional<double> probeConfidence(const PageImage& image);
    std::optional<DetectedScript> detectionOn(const PageImage& image);
    static bool turnsUpright(const std::optional<DetectedScript>& detected);
    std::optional<std::vector<Observation>> scriptReading(const PageImage& image,
                                                          const std::optional<DetectedScript>& script);
    LineRecognizer* engineFor(const std::string& model);

    DetectorMaker makeDetector_;
    EngineMaker makeEngine_;
    std::optional<std::unique_ptr<ScriptDetector>> detector_;         // null: cannot be made
    std::map<std::string, std::unique_ptr<LineRecognizer>> engines_;  // null: cannot be made
};

}  // namespace leggipdf
