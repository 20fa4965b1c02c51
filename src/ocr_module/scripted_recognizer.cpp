#include "ocr_module/scripted_recognizer.h"

#include <algorithm>
#include <exception>
#include <new>

namespace leggipdf {

namespace {

double overlap(double startA, double lengthA, double startB, double lengthB) {
    return std::max(0.0, std::min(startA + lengthA, startB + lengthB) - std::max(startA, startB));
}

// Area shared by two boxes over the area of their union.
double sharedArea(const Box& a, const Box& b) {
    const double shared = overlap(a.x, a.width, b.x, b.width) * overlap(a.y, a.height, b.y, b.height);
    const double either = a.width * a.height + b.width * b.height - shared;
    return either > 0 ? shared / either : 0.0;
}

// `other` with each line replaced by the Latin line in the same place when
// that one is the more confident: a Latin heading over a Cyrillic body keeps
// both right.
std::vector<Observation> linewiseBest(std::vector<Observation> other, const std::vector<Observation>& latin) {
    for (auto& line : other) {
        for (const auto& candidate : latin) {
            if (sharedArea(line.boundingBox, candidate.boundingBox) >= 0.5 && candidate.confidence > line.confidence) {
                line = candidate;
                break;
            }
        }
    }
    return other;
}

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

// The confidence of a reading: the mean of its lines' confidences weighted
// by the length of their candidates; 100 for a reading without text.
double readingConfidence(const std::vector<Observation>& lines) {
    double weighted = 0, length = 0;
    for (const auto& line : lines) {
        const double size = static_cast<double>(line.candidate ? line.candidate->size() : 0);
        weighted += line.confidence * size;
        length += size;
    }
    return length > 0 ? weighted / length : 100.0;
}

}  // namespace

ScriptedRecognizer::ScriptedRecognizer(DetectorMaker makeDetector, EngineMaker makeEngine)
    : makeDetector_(std::move(makeDetector)), makeEngine_(std::move(makeEngine)) {
    engines_[kFallbackModel] = makeEngine_(kFallbackModel);
}

std::vector<Observation> ScriptedRecognizer::recognizedLines(const PageImage& image) {
    ScriptedReading best = scriptedReading(image, true);
    const double bestConfidence = readingConfidence(best.lines);
    // Read upside down already, the page as it lies gave the worse reading.
    if (bestConfidence >= kUnreadableConfidence || best.turn == PageTurn::half) return std::move(best.lines);
    // A detector wrong about the turn was likely wrong about the script too
    // (upside-down Latin passes for Thai), so the page turned is read anew.
    const auto halfMore = static_cast<PageTurn>((static_cast<int>(best.turn) + 2) % 4);
    ScriptedReading turned = scriptedReading(uprightImage(image, halfMore), false);
    return std::move(readingConfidence(turned.lines) > bestConfidence ? turned.lines : best.lines);
}

ScriptedRecognizer::ScriptedReading ScriptedRecognizer::scriptedReading(const PageImage& image, bool mayTurn) {
    std::vector<Observation> latin = engines_.at(kFallbackModel)->recognizedLines(image);
    const double latinConfidence = readingConfidence(latin);
    if (latinConfidence >= kTrustedConfidence) return {std::move(latin), PageTurn::none};
    Reading how = secondReadingFor(image);
    if (!mayTurn) how.turn = PageTurn::none;
    std::optional<std::vector<Observation>> other = readingOf(how, image, latin);
    if (other && readingConfidence(*other) > latinConfidence) return {std::move(*other), how.turn};
    return {std::move(latin), PageTurn::none};
}

ScriptedRecognizer::Reading ScriptedRecognizer::secondReadingFor(const PageImage& image) {
    // Without a detector (not installed) every page keeps its Latin reading.
    if (!detector_) detector_ = unlessItFails(makeDetector_).value_or(nullptr);
    if (!*detector_) return {kFallbackModel};
    const std::optional<DetectedScript> script =
        unlessItFails([&] { return (*detector_)->detectedScript(image); }).value_or(std::nullopt);
    if (!script) return {kFallbackModel};
    Reading reading{kFallbackModel};
    if (script->confidence >= kMinScriptConfidence) reading.model = modelForScript(script->name);
    if (script->turnConfidence >= kMinTurnConfidence) reading.turn = script->turn;
    return reading;
}

// Empty when there is nothing to read again, or no engine for the model.
std::optional<std::vector<Observation>> ScriptedRecognizer::readingOf(const Reading& how, const PageImage& image,
                                                                      const std::vector<Observation>& latin) {
    if (how.model == kFallbackModel && how.turn == PageTurn::none) return std::nullopt;
    LineRecognizer* engine = engineFor(how.model);
    if (!engine) return std::nullopt;
    // Lines read on the page set upright have no Latin line in their place.
    if (how.turn != PageTurn::none) return engine->recognizedLines(uprightImage(image, how.turn));
    return linewiseBest(engine->recognizedLines(image), latin);
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
