// The OCR side as a module of its own, loaded with dlopen on the first page
// that needs recognition: linking the engine and its dependencies into the
// executable would double the start-up of every run.
#include "module_logic/scripted_recognizer.h"
#include "module_tesseract/model_heap.h"
#include "module_tesseract/straightened_recognizer.h"
#include "module_tesseract/tesseract_recognizer.h"
#include "module_tesseract/tesseract_script_detector.h"
#include "ocr_interface/ocr_interface.h"

// The two symbols the module exports, as ocr_interface.h declares them.
extern "C" {

const char* const leggipdfOcrModuleVersion = leggipdf::kOcrModuleVersion;

leggipdf::LineRecognizer* leggipdfCreateLineRecognizer(const leggipdf::ModuleSettings& settings) {
    using namespace leggipdf;
    keepModelHeapOnHugePages();
    // Straightened before the detector sees the page, and again after a page
    // found turned is set upright: a page fed sideways and askew shows its
    // skew only then.
    return new StraightenedRecognizer(std::make_unique<ScriptedRecognizer>(
        [settings] { return std::make_unique<TesseractScriptDetector>(settings); },
        [settings](const std::string& model) {
            return std::make_unique<StraightenedRecognizer>(std::make_unique<TesseractRecognizer>(model, settings));
        }));
}
}
