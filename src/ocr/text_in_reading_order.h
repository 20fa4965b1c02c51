#pragma once

#include <string>
#include <vector>

#include "ocr_interface/ocr_interface.h"

namespace leggipdf {

/// The page text made of `observations`: put into reading order, their
/// candidates joined by line feeds, normalised, and without the spaces
/// between two Chinese or Japanese characters. Lines without a
/// candidate take part in the ordering and contribute nothing.
std::string textInReadingOrder(const std::vector<Observation>& observations);

}  // namespace leggipdf
