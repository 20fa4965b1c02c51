// An OCR module as an older build would leave it: a version tag of its own.
extern "C" __attribute__((visibility("default"))) const char* const leggipdfOcrModuleVersion = "0.0+ocr0";
