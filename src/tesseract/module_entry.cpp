// The OCR side as a module of its own, loaded with dlopen on the first page
// that needs recognition: linking the engine and its dependencies into the
// executable would double the start-up of every run.
#include "ocr/module_config.h"
#include "ocr_module/scripted_recognizer.h"
#include "tesseract/straightened_recognizer.h"
#include "tesseract/tesseract_recognizer.h"
#include "tesseract/tesseract_script_detector.h"

extern "C" {

// Checked by the loader before anything else of the module is used.
__attribute__((visibility("default"))) const char* leggipdfOcrModuleVersion = leggipdf::kOcrModuleVersion;

__attribute__((visibility("default"))) leggipdf::LineRecognizer* leggipdfCreateLineRecognizer() {
    using namespace leggipdf;
    // Straightened before the detector sees the page, and again after a page
    // found turned is set upright: a page fed sideways and askew shows its
    // skew only then.
    return new StraightenedRecognizer(std::make_unique<ScriptedRecognizer>(
        [] { return std::make_unique<TesseractScriptDetector>(); },
        [](const std::string& model) {
            return std::make_unique<StraightenedRecognizer>(std::make_unique<TesseractRecognizer>(model));
        }));
}
}
