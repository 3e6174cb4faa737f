// Numbers written for files and for the data panes: the shortest text that reads back as the
// same 64-bit real, with a given decimal mark.
#pragma once

#include <string>
#include <vector>

#include "core/numtext.h"  // ShortestReal

namespace actinfit {

// One value per line, lines joined by '\n' (no break after the last).
std::string ColumnLines(const std::vector<double>& values, char decimalMark);

}  // namespace actinfit
