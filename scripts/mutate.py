#!/usr/bin/env python3
"""Mutation testing for leggipdf: breaks the code one line at a time and
checks that the test suite notices.

Usage:
    scripts/mutate.py [--tree DIR] [--only ID[,ID...]] [--list] [--keep]
                      [--jobs N] [--timeout SECONDS] [--exclude REGEX]

The tree under test (default: the repository that holds this script) is never
modified: it is copied, without its build*/ folders and .git, into a
temporary folder, configured there once with
    cmake -DCMAKE_BUILD_TYPE=Release -DLEGGIPDF_CORPUS_TESTS=OFF
built once and tested once unmutated (the run stops if that is not green).
Then, for each mutant, the one file under src/ (searched recursively) that
contains the mutant's snippet exactly once is edited, the copy is rebuilt
with `cmake --build -j N`, the tests are run fail-fast, and the file is put
back (and touched, so the next build recompiles it).

Outcomes: killed (built, some test failed or timed out), survived (built,
every test passed), invalid (did not build), not found / ambiguous (the
snippet is in no file, or in more than one place, under src/).

The tests are every test that ctest knows in that build; the corpus and
large-document tests are left out by LEGGIPDF_CORPUS_TESTS=OFF and nothing
else is excluded unless --exclude passes a ctest -E regex. The integration
tests read the shared corpus at <source>/../shared/corpus, so a `shared`
folder found beside the tree (or beside this repository) is linked beside
the copy. To fail fast, the tests run in two ctest calls with
--stop-on-failure: first those that took under 3 s in the unmutated run,
then the rest. Each test gets --timeout SECONDS (tests that set their own
TIMEOUT property keep it), and each ctest call is stopped after four times
its unmutated duration plus SECONDS; a stopped call counts as killed.

Prints a Markdown table and "killed K of N valid"; exits 1 if a valid
mutant survived, 2 if the unmutated tree does not build or pass.
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
from pathlib import Path

# (id, description, exact snippet, replacement). Each snippet is one line of
# a function body (or a constant) and must occur exactly once under src/.
MUTANTS = [
    # Reading-order comparator.
    ("order-tolerance-inclusive", "centres exactly the tolerance apart count as two lines",
     "if (apart > kLineTolerance ||", "if (apart >= kLineTolerance ||"),
    ("order-tolerance-value", "line tolerance 0.015 -> 0.02",
     "kLineTolerance = 0.015;", "kLineTolerance = 0.02;"),
    ("order-vertical-direction", "lower line read first",
     "return centreA > centreB;", "return centreA < centreB;"),
    ("order-left-edge-side", "rightmost box first on a line",
     "return a.x + std::min(a.width, 0.0) < b.x + std::min(b.width, 0.0);",
     "return a.x + std::min(a.width, 0.0) > b.x + std::min(b.width, 0.0);"),
    ("order-half-height-dropped", "same-line test ignores the line height",
     "|| apart > halfLineHeight(a, b))", "|| false)"),
    ("order-half-height-smaller", "half the smaller box's height instead of the taller",
     "return std::max(a.height, b.height) / 2;", "return std::min(a.height, b.height) / 2;"),
    ("order-negative-height", "a negative height no longer leaves the decision to the tolerance",
     "if (!(a.height >= 0) || !(b.height >= 0)) return std::numeric_limits<double>::infinity();",
     "if (!(a.height >= 0) || !(b.height >= 0)) return 0.0;"),
    # Reading-order sort.
    ("sort-small-threshold", "64 items sorted by plain insertion",
     "if (n < 64) {", "if (n <= 64) {"),
    ("sort-descending-nonstrict", "ties continue a descending run",
     "const bool descending = precedes(items_[start + 1], items_[start]);",
     "const bool descending = !precedes(items_[start], items_[start + 1]);"),
    ("sort-merge-direction", "merge direction chosen the other way round",
     "if (mid - lo < hi - mid) {", "if (mid - lo > hi - mid) {"),
    ("sort-merge-direction-tie", "equal runs merged forward",
     "if (mid - lo < hi - mid) {", "if (mid - lo <= hi - mid) {"),
    ("sort-forward-tie", "forward merge takes the right element on a tie",
     "if (precedes(items_[right], scratch_[left])) {", "if (!precedes(scratch_[left], items_[right])) {"),
    ("sort-backward-tie", "backward merge takes the left element on a tie",
     "if (precedes(scratch_[right - 1], items_[left - 1])) {",
     "if (!precedes(items_[left - 1], scratch_[right - 1])) {"),
    ("sort-collapse-three", "collapse: x <= y + z becomes x < y + z",
     "const bool threeBroken = top >= 2 && x <= y + z;", "const bool threeBroken = top >= 2 && x < y + z;"),
    ("sort-collapse-four", "collapse: w <= x + y becomes w < x + y",
     "const bool fourBroken = top >= 3 && runs_[top - 3].length() <= x + y;",
     "const bool fourBroken = top >= 3 && runs_[top - 3].length() < x + y;"),
    ("sort-collapse-three-dropped", "collapse: the three-run rule never fires",
     "const bool threeBroken = top >= 2 && x <= y + z;", "const bool threeBroken = top >= 2 && x <= y + z && false;"),
    ("sort-collapse-four-dropped", "collapse: the four-run rule never fires",
     "const bool fourBroken = top >= 3 && runs_[top - 3].length() <= x + y;",
     "const bool fourBroken = top >= 3 && runs_[top - 3].length() <= x + y && false;"),
    ("sort-collapse-choice", "collapse merges the lower pair on x == z",
     "mergeAt(x < z ? top - 2 : top - 1);", "mergeAt(x <= z ? top - 2 : top - 1);"),
    ("sort-collapse-two", "collapse: y <= z becomes y < z",
     "} else if (y <= z) {", "} else if (y < z) {"),
    ("sort-final-merges", "final merges from the bottom of the stack",
     "while (runs_.size() > 1) mergeAt(runs_.size() - 2);", "while (runs_.size() > 1) mergeAt(0);"),
    ("sort-minrun-round", "minimum run length not rounded up",
     "(shiftedOut != 0 ? 1 : 0)", "(shiftedOut != 0 ? 0 : 0)"),
    ("sort-minrun-bits", "minimum run length shifted into 16..31",
     "kBits = 6;", "kBits = 5;"),
    # Page walk.
    ("walk-page-number", "page numbers from 0",
     "const std::int64_t pageNumber = index + 1;", "const std::int64_t pageNumber = index;"),
    ("walk-no-fallback", "pages without text are never recognised",
     "if (text.empty()) {", "if (text.empty() && pageCount < 0) {"),
    ("walk-used-ocr", "usedOCR never set",
     "result.usedOCR = true;", "result.usedOCR = false;"),
    ("walk-missing-page-stops", "a missing page ends the walk",
     "if (!page) continue;", "if (!page) break;"),
    ("walk-page-kept-on-failure", "the page is not released when its recognition fails",
     "texts_[pageNumber] = scannedPageText(*page, pageNumber, recognizer_, progress_);",
     "Page& kept = *page.release(); texts_[pageNumber] = scannedPageText(kept, pageNumber, recognizer_, progress_); "
     "delete &kept;"),
    ("walk-earlier-failure-first", "a text layer's failure hides an earlier page's",
     "scans.throwEarlierFailure();\n", "(void)0;\n"),
    ("walk-empty-pages-kept", "pages without text get an entry",
     "if (!text.empty()) result.pages.push_back(", "if (true) result.pages.push_back("),
    ("walk-rendering-page-number", "rendering failure names the next page",
     "if (!image) throw ExtractionFailure::renderingFailed(pageNumber);",
     "if (!image) throw ExtractionFailure::renderingFailed(pageNumber + 1);"),
    ("walk-recognition-detail", "recognition failure loses the engine's detail",
     "throw ExtractionFailure::recognitionFailed(pageNumber, error.what());",
     "throw ExtractionFailure::recognitionFailed(pageNumber, \"\");"),
    # Normalisation.
    ("norm-nbsp", "NBSP no longer a separator",
     "byte(1) == 0xA0 ? 2 : 0;", "byte(1) == 0xA1 ? 2 : 0;"),
    ("norm-u3000", "U+3000 no longer a separator",
     "if (b0 == 0xE3) return byte(1) == 0x80 && byte(2) == 0x80 ? 3 : 0;",
     "if (b0 == 0xE3) return byte(1) == 0x80 && byte(2) == 0x81 ? 3 : 0;"),
    ("norm-u2028", "U+2028 no longer a separator",
     "|| b2 == 0xA8 ||", "|| b2 == 0xAA ||"),
    ("norm-control-range", "U+000D no longer a separator",
     "(b0 >= 0x09 && b0 <= 0x0D)", "(b0 >= 0x09 && b0 < 0x0D)"),
    ("norm-leading-space", "a leading separator leaves a space",
     "pendingSpace = !result.empty();", "pendingSpace = true;"),
    # Bitmap size and rendering.
    ("size-width-from-height", "bitmap width computed from the page height",
     "pixelsFor(widthPoints", "pixelsFor(heightPoints"),
    ("size-rotation-swap", "quarter-turned pages not swapped, the others are",
     "if (quarterTurned) std::swap(size.width, size.height);",
     "if (!quarterTurned) std::swap(size.width, size.height);"),
    ("size-minimum-one", "a side under one pixel gives 0",
     "return pixels < 1 ? 1 : pixels;", "return pixels < 0 ? 1 : pixels;"),
    ("size-pixel-cap", "pixel cap 2^29 -> 2^30",
     "kMaxBitmapPixels = std::int64_t{1} << 29;", "kMaxBitmapPixels = std::int64_t{1} << 30;"),
    ("size-side-cap", "height not checked against the side cap",
     "size.height > kMaxBitmapSide ||", "size.height > kMaxBitmapPixels ||"),
    ("render-scale", "render scale 2.5 -> 2.0 px/pt, the resolution told to the engine unchanged",
     "kRenderScale = kRenderDotsPerInch / 72.0;", "kRenderScale = kRenderDotsPerInch / 90.0;"),
    ("render-dpi", "render dpi 180 -> 144",
     "kRenderDotsPerInch = 180.0;", "kRenderDotsPerInch = 144.0;"),
    ("render-quarter-turn", "upside-down pages taken for quarter-turned, landscape ones not",
     "return orientation == poppler::page::landscape ||", "return orientation == poppler::page::upside_down ||"),
    ("render-room-probe", "room for the bitmap never checked",
     "return probe != nullptr;", "return probe != nullptr || size.width > 0;"),
    ("render-crop-sign", "crop offset from the left taken with the wrong sign",
     "const double fromLeft = crop.left() - media.left();",
     "const double fromLeft = media.left() - crop.left();"),
    ("render-crop-top", "crop offset from the top taken from the other edge",
     "const double fromTop = media.bottom() - crop.bottom();",
     "const double fromTop = crop.top() - media.top();"),
    ("canvas-stride", "canvas copy steps source rows by width, not stride",
     "drawn.pixels + y * drawn.bytesPerRow + fromX;", "drawn.pixels + y * drawn.width + fromX;"),
    ("canvas-white", "canvas filled with 0xFE instead of white",
     "std::memset(canvas, 0xFF,", "std::memset(canvas, 0xFE,"),
    ("canvas-ink-test", "pure white counts as ink",
     "return pixel != 0xFF;", "return pixel != 0xFE;"),
    ("canvas-ink-last-row", "the last row is never looked at for ink",
     "for (std::int64_t y = 0; y < image.height; ++y) {\n        const std::uint8_t* row = image.pixels",
     "for (std::int64_t y = 0; y < image.height - 1; ++y) {\n        const std::uint8_t* row = image.pixels"),
    # Failure texts, one letter each.
    ("fail-text-rendering", "rendering failure text",
     "\"rendering della pagina \"", "\"rendering dela pagina \""),
    ("fail-text-recognition", "recognition failure text",
     "\"OCR della pagina \"", "\"OCT della pagina \""),
    ("fail-text-arguments", "invalid arguments text",
     "\"percorso PDF mancante\"", "\"percorso PDF mancanti\""),
    ("fail-text-unreadable", "unreadable PDF text",
     "\"PDF non leggibile\"", "\"PDF non leggibili\""),
    ("fail-text-output", "failed output text",
     "\"scrittura del risultato non riuscita\"", "\"scrittura del risultato non riuscito\""),
    ("fail-text-memory", "out-of-memory text",
     "\"memoria insufficiente\"", "\"memoria insufficienti\""),
    ("fail-text-unexpected", "unexpected failure text",
     "\"errore inatteso\"", "\"errore inattesa\""),
    # Opening the document.
    ("doc-locked", "locked documents accepted",
     "if (!document || document->is_locked() ||", "if (!document ||"),
    ("doc-count-refusal-ignored", "a page tree whose count Poppler refused read as empty",
     "seen.pageCountRefused = true;", "(void)seen;"),
    ("doc-empty-refused", "a genuinely empty document refused",
     "!message.ends_with(\"Invalid page count 0\")", "true"),
    ("doc-physical-layout", "text layer in physical layout",
     "poppler::page::non_raw_non_physical_layout", "poppler::page::physical_layout"),
    # JSON form.
    ("json-member-order", "\"text\" before \"page\"",
     "object[\"page\"] = page.page;", "object[\"text\"] = page.text; object[\"page\"] = page.page;"),
    ("json-error-handler", "invalid UTF-8 dropped instead of replaced",
     "Json::error_handler_t::replace", "Json::error_handler_t::ignore"),
    ("json-ascii", "non-ASCII text escaped",
     "dump(-1, ' ', false,", "dump(-1, ' ', true,"),
    # The entry.
    ("run-eintr", "EINTR ends the write",
     "if (count < 0 && errno == EINTR) continue;", "if (count < 0 && errno == EAGAIN) continue;"),
    ("run-short-write", "a short write is taken as complete",
     "done += static_cast<std::size_t>(count);", "done = bytes.size();"),
    ("run-write-unchecked", "a failed write of the result is ignored",
     "throw ExtractionFailure::outputFailed();", "(void)0;"),
    ("run-argument-count", "extra arguments accepted",
     "if (arguments.size() != 2) throw", "if (arguments.size() < 2) throw"),
    ("run-final-newline", "result ends with a space, not a line feed",
     "document.push_back('\\n');", "document.push_back(' ');"),
    ("run-crash-on-own-stack", "a crash on a stack that ran out is handled on that stack",
     "    ended.sa_handler = endAbruptly;\n    ended.sa_flags = SA_ONSTACK;",
     "    ended.sa_handler = endAbruptly;\n    ended.sa_flags = 0;"),
    # Recognition.
    ("lazy-engine-every-page", "the engine is made for every page",
     "if (engine_) return;", "if (false) return;"),
    ("lazy-blank-loads-engine", "a page without ink still goes to the engine",
     "if (!hasInk(image)) return {};", "if (!hasInk(image) && false) return {};"),
    ("lazy-failed-load-retried", "a load that failed is tried again for every page and worker",
     "if (failure_) std::rethrow_exception(failure_);", "(void)failure_;"),
    ("loader-version-ignored", "an OCR module of another version is accepted",
     "std::strcmp(*tag, kOcrModuleVersion) == 0) return;", "(std::strcmp(*tag, kOcrModuleVersion) == 0 || true)) return;"),
    ("join-separator", "recognised lines joined without a separator",
     "if (!first) joined.push_back('\\n');", "if (!first) joined.push_back('\\0');"),
    ("tess-y-no-flip", "box y not flipped to a lower-left origin",
     "1.0 - bottom / height", "bottom / height"),
    ("tess-y-edge", "box y taken from the line's top edge instead of its bottom",
     "1.0 - bottom / height", "1.0 - top / height"),
    # Hostile files and the page time limit.
    ("write-eagain-fails", "a full non-blocking stdout ends the write",
     "if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {", "if (false) {"),
    ("stderr-not-quieted", "library chatter reaches stderr",
     "if (real_ >= 0 && sink >= 0) dup2(sink, STDERR_FILENO);", "(void)sink;"),
    ("encryption-trouble-ignored", "a security handler Poppler cannot use goes unnoticed",
     "seen.unsupportedEncryption = true;", "(void)seen;"),
    ("timeout-zero-accepted", "LEGGIPDF_PAGE_TIMEOUT below a microsecond accepted",
     "seconds < kShortestTimeout)", "seconds <= 0)"),
    ("timeout-long-refused", "a time limit over thirty years refused",
     "return std::min(seconds, kLongestTimeout);", "if (seconds > kLongestTimeout) throw 0; return seconds;"),
    ("timeout-phase", "a drawing that runs out of time reported as recognition",
     "if (!reply.drawn) throw ExtractionFailure::renderingFailed(pageNumber_);",
     "if (!reply.drawn) throw ExtractionFailure::pageTimedOut(pageNumber_, *seconds_);"),
    # Workers.
    ("jobs-zero-accepted", "LEGGIPDF_JOBS=0 accepted",
     "if (count == 0) throw", "if (count > 1000000000) throw"),
    ("jobs-large-refused", "a number of jobs past what can run refused",
     "return static_cast<unsigned>(std::min(count, kMostJobs));", "if (count > kMostJobs) throw 0; return static_cast<unsigned>(count);"),
    ("jobs-one-too-many", "one worker more than LEGGIPDF_JOBS",
     "running_.size() >= plan_.jobs ||", "running_.size() > plan_.jobs ||"),
    ("jobs-memory-ignored", "workers started whatever memory is left",
     "|| !roomFor(needed))) awaitOne();", "|| false)) awaitOne();"),
    ("jobs-single-page-forked", "a document with one page to read starts a worker",
     "return !plan_.pageSeconds && !workersStarted_ && !held_;", "return false;"),
    ("jobs-first-known-failure", "the failure met first is reported, not the lowest page's",
     "return running.worker->pageNumber() > first;", "return true;"),
    ("jobs-no-death-signal", "workers outlive a killed run",
     "prctl(PR_SET_PDEATHSIG, SIGKILL);", "(void)0;"),
    ("jobs-signal-unnamed", "a worker's death by signal taken for a silent end",
     "WIFSIGNALED(status) ? WTERMSIG(status) : 0", "0"),
    # Scripts.
    ("scripts-latin-never-trusted", "every page goes to the detector",
     "if (latinConfidence >= kTrustedConfidence) return {", "if (latinConfidence > 100) return {"),
    ("scripts-confidence-ignored", "an unsure detection is followed",
     "if (script->confidence >= kMinScriptConfidence) reading.model", "if (true) reading.model"),
    ("scripts-han-traditional", "Han read as traditional Chinese",
     'if (script == "Han") return "HanS";', 'if (script == "Han") return "HanT";'),
    ("scripts-less-confident-kept", "the script model's reading kept even when less confident",
     "if (other && readingConfidence(*other) > latinConfidence) return {", "if (other) return {"),
    ("scripts-no-linewise", "Latin lines never stand in for the script model's",
     "                line = candidate;", "                (void)candidate;"),
    ("scripts-missing-model-fatal", "a script whose model is missing fails the page",
     "unlessItFails([&] { return makeEngine_(model); }).value_or(nullptr)", "makeEngine_(model)"),
    ("scripts-detector-confidence", "the detector's confidence lost",
     "return DetectedScript{script, scriptConfidence, turn,", "return DetectedScript{script, 0.0, turn,"),
    ("spacing-kept", "spaces between ideographs kept",
     "if (!between) kept.append(next - i, ' ');", "kept.append(next - i, ' ');"),
    ("spacing-kana", "kana not taken for ideographs",
     "(c >= 0x3000 && c <= 0x30FF) ||", "(c >= 0x3000 && c <= 0x303F) ||"),
    ("spacing-line-joins", "spaces between the lines of a Chinese page kept",
     "return withoutSpacesBetweenIdeographs(normalized(joined));", "return normalized(joined);"),
    ("jobs-no-budget", "workers just started are not counted against the available memory",
     "for (const auto& running : running_) setAside += running.setAside;", "(void)0;"),
    ("timeout-parent-only", "the page bound kept by the parent alone, which may be busy",
     "if (seconds) boundedBy(*seconds);", "(void)seconds;"),
    ("jobs-abort-unanswered", "an abort in a worker named as a signal, not as the run's own text",
     "ended.sa_handler = signal == SIGABRT ? endAbruptly : SIG_DFL;", "ended.sa_handler = SIG_DFL;"),
    # Columns, turned pages.
    ("columns-four-lines", "four lines a side make a gutter",
     "kGutterLines = 5;", "kGutterLines = 4;"),
    ("columns-short-stretch-lines", "nine lines a side make a gutter over a short stretch",
     "kShortGutterLines = 10;", "kShortGutterLines = 9;"),
    ("columns-two-words", "lines of two words border a gutter",
     "kGutterLineWords = 3;", "kGutterLineWords = 2;"),
    ("columns-any-height", "five lines a side make a gutter over any stretch of the text's height",
     "const bool tall = stretch.top - stretch.bottom >= kGutterShare * (high - low);", "const bool tall = true;"),
    ("columns-word-gaps", "a gap between words taken for a gutter",
     "!(width >= kMinGutterWidth)", "!(width >= 0)"),
    ("columns-above-after", "the lines above the columns read after the left one",
     "pieces = {&above, &left, &rightOf, &below};", "pieces = {&left, &above, &rightOf, &below};"),
    ("turn-box-up", "a sideways line's height on the page taken from the wrong edge",
     "return {1 - box.y - box.height, box.x, box.height, box.width};",
     "return {1 - box.y - box.height, 1 - box.x - box.width, box.height, box.width};"),
    ("turn-vertical-ignored", "lines read as vertical writing left standing on end",
     "(vertical ? 1 : 0)", "(vertical ? 0 : 0)"),
    ("turn-image-half", "a page upside down only flipped top to bottom",
     "row[x] = image.at(image.width - 1 - x, image.height - 1 - y);", "row[x] = image.at(x, image.height - 1 - y);"),
    ("turn-degrees", "the detector's degrees read as half turns",
     "degrees / 90 % 4", "degrees / 180 % 4"),
    ("turn-unsure-followed", "an unsure turn followed",
     "if (script->turnConfidence >= kMinTurnConfidence) reading.turn", "if (true) reading.turn"),
    ("turn-never-read-again", "a turned Latin page not read again",
     "if (how.model == kFallbackModel && how.turn == PageTurn::none) return std::nullopt;",
     "if (how.model == kFallbackModel) return std::nullopt;"),
    ("straighten-never", "skewed pages read as they lie",
     "kMinStraightenedSkew = 0.5;", "kMinStraightenedSkew = 8.0;"),
    ("straighten-unsure", "only the surest skews straightened",
     "kMinSkewConfidence = 2.0;", "kMinSkewConfidence = 50.0;"),
    ("straighten-sign", "skewed pages turned the wrong way",
     "kRadiansPerDegree * *angle", "-kRadiansPerDegree * *angle"),
    # Memory that runs out.
    ("tess-image-allocation-unchecked", "a failed allocation of the engine's images goes unnoticed",
     "if (imageAllocationFailed) {", "if (false) {"),
    ("ocr-memory-as-page-failure", "memory that runs out while a page is read reported as the page's failure",
     "throw;  // memory that ran out is the run's failure, not the page's", "throw std::runtime_error(\"std::bad_alloc\");"),
    ("detail-line-feed-kept", "a line feed in a failure's detail splits its text",
     "} else if (c == '\\n') {", "} else if (c == '\\n') { line += c; } else if (false) {"),
    ("exit-unhandled", "a library's exit() in the middle of the run ends it silently",
     "if (ending.lasting) endAbruptly(0);", "(void)0;"),
    ("exit-unanswered-in-worker", "a library's exit() in a worker prints the run's text and leaves its page unanswered",
     "ending = {descriptor, std::move(memory), std::move(other), nullptr, true};", "(void)descriptor;"),
    ("crash-unhandled", "a library's crash ends the run by its signal",
     "kEndingSignals = {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};",
     "kEndingSignals = {SIGABRT, SIGBUS, SIGBUS, SIGFPE, SIGILL};"),
    ("crash-in-worker-as-run", "a worker's crash answered as memory that ran out instead of failing its page",
     "ended.sa_handler = signal == SIGABRT ? endAbruptly : SIG_DFL;", "ended.sa_handler = endAbruptly;"),
    ("crash-added-unreset-in-worker", "a worker keeps the handler of a signal added to the handled set",
     "for (const int signal : kEndingSignals) {", "for (const int signal : {SIGABRT, SIGSEGV, SIGBUS}) {"),
    ("text-empty-not-read-again", "a text layer emptied by a converter that could not be opened goes to OCR",
     "if (text.empty()) text = convertedText();", "(void)0;"),
    ("openmp-sections-skipped", "the sections of the engine's parallel regions never run",
     "return sections.next <= sections.last ? sections.next++ : 0;", "return 0;"),
    ("openmp-regions-skipped", "the engine's parallel regions never run",
     "    body(data);\n}", "    (void)body, (void)data;\n}"),
    ("abort-unhandled", "an abort in a library ends the run by SIGABRT",
     "sigaction(kEndingSignals[i], &ended, &previous_[i]);", "(void)ended;"),
    ("abort-text-swapped", "an abort after a failed allocation reported as unexpected",
     "errno == ENOMEM ? ending.memory : ending.other", "errno != ENOMEM ? ending.memory : ending.other"),
    # A PDF that comes through a pipe.
    ("pipe-left-to-poppler", "a pipe or FIFO opened by path as a regular file",
     "if (!S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode)) return std::nullopt;", "return std::nullopt;"),
    ("pipe-copy-no-growth", "the copy stops at its first room",
     "contents.grow(std::min(std::max(2 * contents.room_, kFirstRoom), most + 1));",
     "contents.grow(std::min(std::max(contents.room_, kFirstRoom), most + 1));"),
    ("pipe-copy-past-bound", "the copy reads a byte more than one past its bound",
     "contents.grow(std::min(std::max(2 * contents.room_, kFirstRoom), most + 1));",
     "contents.grow(std::min(std::max(2 * contents.room_, kFirstRoom), most + 2));"),
    ("pipe-eof-as-error", "a pipe's end taken for a read error",
     "if (count == 0) return contents;", "if (count == 0) throw std::system_error(EIO, std::generic_category());"),
    # The progress line.
    ("progress-not-erased", "the progress line left beside the result or the failure",
     "(void)writtenFully(terminal_, kErasure);", "(void)0;"),
    ("progress-gate-stdout", "the line shown when stdout is a terminal, not stderr",
     "if (isatty(descriptor) != 1 || dumb)", "if (isatty(STDOUT_FILENO) != 1 || dumb)"),
    ("progress-in-background", "the line drawn over the terminal of a background job",
     "return foreground < 0 || foreground == getpgrp();", "return foreground < 0 || foreground >= 0;"),
    ("progress-last-column", "the line reaches the terminal's last column",
     "line.resize(std::min(line.size(), widthOf(terminal_)));",
     "line.resize(std::min(line.size(), widthOf(terminal_) + 1));"),
    ("progress-unlimited", "the line redrawn on every event",
     "if (now - drawn_[event] < kQuiet || !inForeground(terminal_)) return;",
     "if (!inForeground(terminal_)) return;"),
    ("progress-one-clock", "a page starting just after another finished is not shown",
     "if (now - drawn_[event] < kQuiet", "if (now - std::max(drawn_[0], drawn_[1]) < kQuiet"),
    ("progress-worker-finish-unheard", "pages finished in workers not counted",
     "progress_.pageFinished(worker.pageNumber());", "(void)0;"),
    ("scripted-unreadable-ignored", "every untrusted page read turned by a half too",
     "if (bestConfidence >= kUnreadableConfidence || best.turn == PageTurn::half) return",
     "if (best.turn == PageTurn::half) return"),
    ("scripted-turned-script-unasked", "the page turned by a half read without asking its script again",
     "if (!mayTurn) how.turn = PageTurn::none;", "if (!mayTurn) how = {kFallbackModel};"),
    ("scripted-opposite-quarter", "an unreadable page read again turned by a quarter, not a half",
     "static_cast<PageTurn>((static_cast<int>(best.turn) + 2) % 4)",
     "static_cast<PageTurn>((static_cast<int>(best.turn) + 1) % 4)"),
    ("scripted-opposite-dropped", "the reading turned by a half never kept",
     "readingConfidence(turned.lines) > bestConfidence ? turned.lines", "false ? turned.lines"),
    ("scripted-opposite-script-only", "the page turned by a half read only with the script detected on it",
     "if (other && readingConfidence(*other) > latinConfidence) return {std::move(*other), how.turn};",
     "if (other && (readingConfidence(*other) > latinConfidence || !mayTurn)) return {std::move(*other), how.turn};"),
    ("progress-dumb-terminal", "the line drawn on a terminal that cannot erase it",
     'const bool dumb = kind != nullptr && std::string_view(kind) == "dumb";', "const bool dumb = false;"),
    # Descriptors closed at start, stderr without /dev/null, a module cut short.
    ("descriptor-closed-left-free", "a standard descriptor closed at start is left for the next file opened",
     "const int refusing = writeRefusingDescriptor();", "const int refusing = -1;"),
    ("descriptor-closed-stdout-forgotten", "a stdout closed at start is written to as if it were open",
     "if (closedAtStart.output || !writtenFully(", "if (!writtenFully("),
    ("stderr-sink-refuses", "library chatter on stderr fails, leaving its errno to an abort that follows",
     "int sink = memfd_create(\"stderr\", MFD_CLOEXEC);", "int sink = -1;"),
    ("module-segment-end-refused", "a module whose last segment ends where the file does is refused",
     "segment.p_filesz > size - segment.p_offset) return false;",
     "segment.p_filesz >= size - segment.p_offset) return false;"),
    ("module-segments-unchecked", "a module cut short is handed to the dynamic loader",
     "if (segment.p_type != PT_LOAD) continue;", "continue;"),
    ("module-flaw-ends-search", "a module cut short stops the search instead of being passed over",
     "errors += (errors.empty() ? \"\" : \"; \") + flaw;", "throw std::runtime_error(flaw);"),
    # A worker's answer: the whole failure, as itself.
    ("answer-detail-lost", "a worker's failure arrives without its detail",
     "std::to_string(pageNumber_) + \"\\n\" + detail_;", "std::to_string(pageNumber_) + \"\\n\";"),
    ("answer-page-lost", "a worker's failure arrives without its page number",
     "+ \" \" + std::to_string(pageNumber_) +", "+ \" 0\" +"),
    ("answer-memory-as-unexpected", "memory that ran out in a worker answered as an unexpected error",
     "answerAbruptEndings(descriptor, failureAnswer(ExtractionFailure::outOfMemory()),",
     "answerAbruptEndings(descriptor, failureAnswer(ExtractionFailure::unexpected()),"),
    ("progress-failed-page-read", "a page whose worker failed counted as read",
     "        progress_.pageFinished(worker.pageNumber());\n    } catch (...) {\n"
     "        failures_[worker.pageNumber()] = std::current_exception();\n    }\n",
     "    } catch (...) {\n        failures_[worker.pageNumber()] = std::current_exception();\n    }\n"
     "    progress_.pageFinished(worker.pageNumber());\n"),
]

FAST_TEST_SECONDS = 3.0


def log(message):
    print(message, file=sys.stderr, flush=True)


def run_command(command, cwd=None, timeout=None):
    """Runs command in its own process group; returns (code, output, timed_out)."""
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               text=True, errors="replace", start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
        return process.returncode, output, False
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, _ = process.communicate()
        return -1, output, True


def source_files(root):
    return sorted(path for path in (root / "src").rglob("*") if path.is_file())


def locate(root, snippet):
    """(status, path): status is found, not found or ambiguous."""
    hits = []
    for path in source_files(root):
        count = path.read_text(encoding="utf-8", errors="surrogateescape").count(snippet)
        hits.extend([path] * count)
    if not hits:
        return "not found", None
    if len(hits) > 1:
        return "ambiguous", sorted(set(hits))
    return "found", hits[0]


def copy_tree(tree, destination):
    def ignored(directory, names):
        top = Path(directory).resolve() == tree
        return [name for name in names if name == ".git" or (top and name.startswith("build"))]

    shutil.copytree(tree, destination, symlinks=True, ignore=ignored)


def touch_newer(path, previous_mtime_ns):
    stamp = max(time.time_ns(), previous_mtime_ns + 1_000_000)
    os.utime(path, ns=(stamp, stamp))


class Tests:
    """The ctest suite of one build, run in stages, fastest first."""

    def __init__(self, build, jobs, timeout, exclude, every_failure=False):
        self.every_failure = every_failure
        self.build = build
        self.jobs = jobs
        self.timeout = timeout
        self.exclude = exclude
        self.stages = []  # (names, unmutated seconds)

    def ctest(self, extra, limit):
        command = ["ctest", "--test-dir", str(self.build), "--output-on-failure", "-j", str(self.jobs),
                   "--timeout", str(self.timeout)] + extra
        if not self.every_failure:
            command.append("--stop-on-failure")
        if self.exclude:
            command += ["-E", self.exclude]
        return run_command(command, timeout=limit)

    def baseline(self):
        """Runs everything once; returns (ok, output) and plans the stages."""
        junit = self.build / "mutate-baseline.xml"
        started = time.monotonic()
        code, output, _ = self.ctest(["--output-junit", str(junit)], None)
        elapsed = time.monotonic() - started
        if code != 0:
            return False, output
        times = {}
        for case in ElementTree.parse(junit).getroot().iter("testcase"):
            times[case.get("name")] = float(case.get("time") or 0.0)
        if not times:
            return False, output + "\nno test ran"
        fast = sorted(name for name, seconds in times.items() if seconds < FAST_TEST_SECONDS)
        slow = sorted(name for name, seconds in times.items() if seconds >= FAST_TEST_SECONDS)
        parallel = max(elapsed / max(sum(times.values()), 1e-9), 1.0 / self.jobs)
        for names in (fast, slow):
            if names:
                self.stages.append((names, sum(times[n] for n in names) * parallel))
        self.baseline_seconds = elapsed
        return True, output

    def run(self):
        """(passed, detail) for the current build, stopping at the first failure."""
        if self.every_failure:
            details = [detail for passed, detail in map(self.run_stage, self.stages) if not passed]
            return not details, ", ".join(details)
        for stage in self.stages:
            passed, detail = self.run_stage(stage)
            if not passed:
                return passed, detail
        return True, ""

    def run_stage(self, stage):
        """(passed, detail) for one stage of tests."""
        names, seconds = stage
        pattern = "^(" + "|".join(re.sub(r"([^A-Za-z0-9_])", r"\\\1", n) for n in names) + ")$"
        code, output, timed_out = self.ctest(["-R", pattern], 4 * seconds + self.timeout)
        if timed_out:
            return False, "timeout"
        if code != 0:
            failed = re.findall(r"^\s*\d+\s*-\s*(\S+)\s*\((.*?)\)\s*$", output.split("tests FAILED:")[-1],
                                re.MULTILINE)
            shown = failed if self.every_failure else failed[:2]
            return False, ", ".join(f"{name} ({why})" for name, why in shown) or "ctest failed"
        return True, ""


def shared_folder(tree):
    repository = Path(__file__).resolve().parent.parent
    for candidate in (tree.parent / "shared", repository.parent / "shared"):
        if candidate.is_dir():
            return candidate
    return None


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tree", type=Path, default=Path(__file__).resolve().parent.parent,
                        help="the tree to test (default: the repository holding this script)")
    parser.add_argument("--only", help="comma-separated mutant ids to run")
    parser.add_argument("--list", action="store_true", help="print the mutants and where each is found, then stop")
    parser.add_argument("--jobs", type=int, default=2, help="build and test parallelism (default 2)")
    parser.add_argument("--timeout", type=int, default=180, help="per-test timeout in seconds (default 180)")
    parser.add_argument("--exclude", help="ctest -E regex of tests to leave out")
    parser.add_argument("--keep", action="store_true", help="keep the temporary copy")
    parser.add_argument("--every-failure", action="store_true",
                        help="run every test on each mutant and list all that fail (slower; shows which tests "
                             "are the only ones to kill a mutant)")
    return parser.parse_args()


def selected_mutants(only):
    ids = [m[0] for m in MUTANTS]
    if len(set(ids)) != len(ids):
        raise SystemExit("duplicate mutant ids")
    if not only:
        return MUTANTS
    wanted = [i.strip() for i in only.split(",") if i.strip()]
    unknown = [i for i in wanted if i not in ids]
    if unknown:
        raise SystemExit("unknown mutant ids: " + ", ".join(unknown))
    return [m for m in MUTANTS if m[0] in wanted]


def cell(text):
    return str(text).replace("|", "\\|").replace("\n", " ")


def main():
    arguments = parse_arguments()
    tree = arguments.tree.resolve()
    mutants = selected_mutants(arguments.only)
    if not (tree / "CMakeLists.txt").is_file() or not (tree / "src").is_dir():
        raise SystemExit(f"{tree} is not a leggipdf tree")

    if arguments.list:
        print("| id | description | file |")
        print("| --- | --- | --- |")
        for mutant_id, description, snippet, _ in mutants:
            status, where = locate(tree, snippet)
            place = where.relative_to(tree) if status == "found" else status
            print(f"| {mutant_id} | {cell(description)} | {place} |")
        return 0

    started = time.monotonic()
    workspace = Path(tempfile.mkdtemp(prefix="leggipdf-mutate-"))
    try:
        copy = workspace / "leggipdf"
        build = copy / "build"
        copy_tree(tree, copy)
        shared = shared_folder(tree)
        if shared:
            (workspace / "shared").symlink_to(shared)
        log(f"copy of {tree} in {copy}" + (f", shared corpus from {shared}" if shared else ", no shared corpus"))

        code, output, _ = run_command(["cmake", "-S", str(copy), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                                       "-DLEGGIPDF_CORPUS_TESTS=OFF"])
        if code != 0:
            print(output)
            log("configuration failed")
            return 2
        code, output, _ = run_command(["cmake", "--build", str(build), "-j", str(arguments.jobs)])
        if code != 0:
            print(output[-5000:])
            log("the unmutated tree does not build")
            return 2
        log(f"built in {time.monotonic() - started:.0f} s; running the unmutated tests")
        tests = Tests(build, arguments.jobs, arguments.timeout, arguments.exclude, arguments.every_failure)
        ok, output = tests.baseline()
        if not ok:
            print(output[-5000:])
            log("the unmutated tree is not green")
            return 2
        log(f"unmutated tests green in {tests.baseline_seconds:.0f} s; stages: "
            + ", ".join(f"{len(names)} tests ~{seconds:.0f} s" for names, seconds in tests.stages))

        rows = []
        for number, (mutant_id, description, snippet, replacement) in enumerate(mutants, 1):
            mutant_started = time.monotonic()
            status, where = locate(copy, snippet)
            if status != "found":
                detail = ", ".join(str(p.relative_to(copy)) for p in where) if where else ""
                rows.append((mutant_id, description, "-", status, detail, 0.0))
                log(f"[{number}/{len(mutants)}] {mutant_id}: {status}")
                continue
            relative = where.relative_to(copy)
            original = where.read_bytes()
            original_mtime = where.stat().st_mtime_ns
            try:
                text = original.decode("utf-8", errors="surrogateescape")
                where.write_bytes(text.replace(snippet, replacement, 1).encode("utf-8", errors="surrogateescape"))
                touch_newer(where, original_mtime)
                code, output, timed_out = run_command(["cmake", "--build", str(build), "-j", str(arguments.jobs)],
                                                      timeout=3600)
                if code != 0 or timed_out:
                    errors = [line.strip() for line in output.splitlines() if "error" in line.lower()]
                    outcome, detail = "invalid", (errors[0] if errors else "build failed")[:160]
                else:
                    passed, detail = tests.run()
                    outcome = "survived" if passed else "killed"
            finally:
                where.write_bytes(original)
                touch_newer(where, where.stat().st_mtime_ns)
            seconds = time.monotonic() - mutant_started
            rows.append((mutant_id, description, str(relative), outcome, detail, seconds))
            log(f"[{number}/{len(mutants)}] {mutant_id}: {outcome} in {seconds:.0f} s {detail}")

        print("| id | description | file | outcome | detail | seconds |")
        print("| --- | --- | --- | --- | --- | --- |")
        for mutant_id, description, relative, outcome, detail, seconds in rows:
            print(f"| {mutant_id} | {cell(description)} | {relative} | {outcome} | {cell(detail)} | {seconds:.0f} |")
        valid = [row for row in rows if row[3] in ("killed", "survived")]
        killed = sum(1 for row in valid if row[3] == "killed")
        print()
        print(f"killed {killed} of {len(valid)} valid "
              f"({len(rows) - len(valid)} invalid, not found or ambiguous; "
              f"{time.monotonic() - started:.0f} s in all)")
        return 1 if killed < len(valid) else 0
    finally:
        if arguments.keep:
            log(f"kept {workspace}")
        else:
            shutil.rmtree(workspace, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
