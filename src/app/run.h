#pragma once

#include <string>
#include <vector>

#include "ending/process_start.h"

namespace leggipdf {

/// Runs the tool on `arguments` (the program path first, then the PDF path):
/// on success the JSON document and one line feed go to stdout and the
/// result is 0; on any failure only its text and one line feed go to stderr
/// and the result is 1. A stdout that was closed at start takes no result:
/// the run fails as a write there would.
int run(const std::vector<std::string>& arguments, ClosedAtStart closedAtStart = {});

}  // namespace leggipdf
