#include "module_logic/scripted_recognizer.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <new>

#include "module_logic/reading_evidence.h"

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
    const std::optional<double> probed = probeConfidence(image);
    if (probed && *probed < kTrustedConfidence) {
        // Read nothing in full yet: the detector sees the whole page.
        const std::optional<DetectedScript> detected = detectionOn(image);
        if (mayTurn && turnsUpright(detected)) return uprightReading(image, detected->turn);
        if (std::optional<std::vector<Observation>> lines = scriptReading(image, detected)) {
            const double confidence = readingConfidence(*lines);
            return {std::move(*lines), *probed, confidence};
        }
    }
    std::vector<Observation> latin = engines_.at(kFallbackModel)->recognizedLines(image);
    const double latinConfidence = readingConfidence(latin);
    if (latinConfidence >= kTrustedConfidence && shareBelow(latin, kUnreadLineConfidence) < kHiddenScriptShare)
        return {std::move(latin), latinConfidence, latinConfidence};
    // The lines read are Latin already; the rest tells the script apart
    // even where Latin commands fill half the page.
    const std::optional<DetectedScript> detected = detectionOn(withoutLinesFrom(image, latin, kUnreadLineConfidence));
    if (mayTurn && turnsUpright(detected)) return uprightReading(image, detected->turn);
    std::optional<std::vector<Observation>> lines = scriptReading(image, detected);
    if (!lines) return {std::move(latin), latinConfidence, latinConfidence};
    const double confidence = readingConfidence(*lines);
    return {std::move(*lines), latinConfidence, confidence};
}

ScriptedRecognizer::Reading ScriptedRecognizer::uprightReading(const PageImage& image, PageTurn turn) {
    Reading upright = readingOf(uprightImage(image, turn), false);
    upright.turn = turn;
    return upright;
}

std::optional<double> ScriptedRecognizer::probeConfidence(const PageImage& image) {
    const std::vector<RowSpan> rows = textRows(image);
    if (rows.empty()) return std::nullopt;
    // A line near the middle of the text, then one further down: a heading,
    // a formula or a line of code is rarely both.
    const std::int64_t middle = (rows.front().top + rows.back().bottom) / 2;
    const std::int64_t lower = (middle + rows.back().bottom) / 2;
    double best = 0;
    const std::int64_t places[kProbeLines] = {middle, lower};
    for (const std::int64_t at : places) {
        const RowSpan& row = *std::min_element(rows.begin(), rows.end(), [at](const RowSpan& a, const RowSpan& b) {
            return std::abs((a.top + a.bottom) / 2 - at) < std::abs((b.top + b.bottom) / 2 - at);
        });
        best = std::max(best, readingConfidence(engines_.at(kFallbackModel)->recognizedLines(band(image, row))));
        if (best >= kTrustedConfidence) break;
    }
    return best;
}

std::optional<DetectedScript> ScriptedRecognizer::detectionOn(const PageImage& image) {
    // Without a detector (not installed) every page keeps its Latin reading.
    if (!detector_) detector_ = unlessItFails(makeDetector_).value_or(nullptr);
    if (!*detector_) return std::nullopt;
    return unlessItFails([&] { return (*detector_)->detectedScript(image); }).value_or(std::nullopt);
}

bool ScriptedRecognizer::turnsUpright(const std::optional<DetectedScript>& detected) {
    return detected && detected->turn != PageTurn::none && detected->turnConfidence >= kMinTurnConfidence;
}

std::optional<std::vector<Observation>> ScriptedRecognizer::scriptReading(const PageImage& image,
                                                                          const std::optional<DetectedScript>& script) {
    if (!script || script->confidence < kMinScriptConfidence) return std::nullopt;
    const std::string model = modelForScript(script->name);
    if (model == kFallbackModel) return std::nullopt;
    LineRecognizer* engine = engineFor(model == kReadAlone ? model : model + "+" + kFallbackModel);
    if (!engine) return std::nullopt;
    std::vector<Observation> lines = engine->recognizedLines(image);
    if (otherScriptShare(lines) < kMinOtherScriptShare) return std::nullopt;
    return lines;
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
