#include "ocr_module/scripted_recognizer.h"

#include <exception>
#include <new>

#include "ocr_module/reading_evidence.h"

namespace leggipdf {

namespace {

// What `attempt` returns, or empty when it throws: a model that is not
// installed or a detection that fails is not the page's failure, but memory
// that runs out is, as anywhere else.
template <typename Attempt>
auto unlessItFails(const Attempt& attempt) -> std::optional<decltype(attempt())> {
    try {
        return attempt();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The name of the model that reads `script`, as the script models are
// named: the detector's "Han" is read as simplified Chinese ("HanS"),
// "Korean" as "Hangul", kana as "Japanese"; other names are their own.
std::string modelForScript(const std::string& script) {
    if (script == "Han") return "HanS";
    if (script == "Korean") return "Hangul";
    if (script == "Hiragana" || script == "Katakana") return "Japanese";
    return script;
}

PageTurn turnedBy(PageTurn turn, int quarters) {
    return static_cast<PageTurn>((static_cast<int>(turn) + quarters) % 4);
}

}  // namespace

ScriptedRecognizer::ScriptedRecognizer(DetectorMaker makeDetector, EngineMaker makeEngine)
    : makeDetector_(std::move(makeDetector)), makeEngine_(std::move(makeEngine)) {
    engines_[kFallbackModel] = makeEngine_(kFallbackModel);
}

std::vector<Observation> ScriptedRecognizer::recognizedLines(const PageImage& image) {
    Reading best = readingOf(image, true);
    // Read upside down already, the page as it lies gave the worse reading.
    if (best.confidence >= kUnreadableConfidence || best.turn == PageTurn::half) return std::move(best.lines);
    // A detector wrong about the turn was likely wrong about the script too
    // (upside-down Latin passes for Thai), so the page turned is read anew;
    // the two ways up are weighed by their Latin readings alone.
    Reading turned = readingOf(uprightImage(image, turnedBy(best.turn, 2)), false);
    return std::move(turned.latinConfidence > best.latinConfidence ? turned.lines : best.lines);
}

ScriptedRecognizer::Reading ScriptedRecognizer::readingOf(const PageImage& image, bool mayTurn) {
    std::vector<Observation> latin = engines_.at(kFallbackModel)->recognizedLines(image);
    const double latinConfidence = readingConfidence(latin);
    if (latinConfidence >= kTrustedConfidence && shareBelow(latin, kUnreadLineConfidence) < kHiddenScriptShare)
        return {std::move(latin), latinConfidence, latinConfidence};
    // The trusted lines are Latin already; the rest tells the script apart
    // even where Latin commands fill half the page.
    const std::optional<DetectedScript> detected = detectionOn(withoutLinesFrom(image, latin, kTrustedConfidence));
    if (mayTurn && detected && detected->turn != PageTurn::none && detected->turnConfidence >= kMinTurnConfidence) {
        Reading upright = readingOf(uprightImage(image, detected->turn), false);
        upright.turn = detected->turn;
        return upright;
    }
    std::vector<Observation> lines = scriptReading(image, std::move(latin), detected);
    const double confidence = readingConfidence(lines);
    return {std::move(lines), latinConfidence, confidence};
}

std::optional<DetectedScript> ScriptedRecognizer::detectionOn(const PageImage& image) {
    // Without a detector (not installed) every page keeps its Latin reading.
    if (!detector_) detector_ = unlessItFails(makeDetector_).value_or(nullptr);
    if (!*detector_) return std::nullopt;
    return unlessItFails([&] { return (*detector_)->detectedScript(image); }).value_or(std::nullopt);
}

std::vector<Observation> ScriptedRecognizer::scriptReading(const PageImage& image, std::vector<Observation> latin,
                                                           const std::optional<DetectedScript>& script) {
    if (!script || script->confidence < kMinScriptConfidence) return latin;
    const std::string model = modelForScript(script->name);
    if (model == kFallbackModel) return latin;
    LineRecognizer* engine = engineFor(model + "+" + kFallbackModel);
    if (!engine) return latin;
    std::vector<Observation> lines = engine->recognizedLines(image);
    return otherScriptShare(lines) >= kMinOtherScriptShare ? std::move(lines) : std::move(latin);
}

LineRecognizer* ScriptedRecognizer::engineFor(const std::string& model) {
    auto found = engines_.find(model);
    if (found == engines_.end()) {
        // A model that is not installed is remembered, so it is tried only once.
        found = engines_.emplace(model, unlessItFails([&] { return makeEngine_(model); }).value_or(nullptr)).first;
    }
    return found->second.get();
}

}  // namespace leggipdf
