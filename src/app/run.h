#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/extraction_result.h"

namespace leggipdf {

/// Runs the tool on `arguments` (the program path first, then the PDF path):
/// on success the JSON document and one line feed go to `outputFd` and the
/// result is 0; on any failure only its text and one line feed go to
/// `errorFd` and the result is 1. `extractor` is the extraction to run.
int run(const std::vector<std::string>& arguments, int outputFd, int errorFd,
        const std::function<ExtractionResult(const std::string&)>& extractor);

}  // namespace leggipdf
