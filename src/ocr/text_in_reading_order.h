#pragma once

#include <string>
#include <vector>

#include "ocr_interface/ocr_interface.h"

namespace leggipdf {

/// Lines the engine reads with less confidence than this (0 to 100) are
/// seen by the column split as holding no words. Text lines of clean and
/// photographed pages read at 60 to 97 here; a red stamp over two columns,
/// with the words it covers, at 39, the labels of a drawing at 0 to 60.
inline constexpr double kConfidentLine = 50.0;

/// The page text made of `observations`: put into reading order, their
/// candidates joined by line feeds, normalised, and without the spaces
/// between two Chinese or Japanese characters. Lines without a
/// candidate take part in the ordering and contribute nothing.
std::string textInReadingOrder(const std::vector<Observation>& observations);

}  // namespace leggipdf
