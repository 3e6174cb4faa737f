// The text of the files the window saves: tab-separated, one row per line, numbers with the
// window's decimal mark, so that a spreadsheet opens them as numbers.
#pragma once

#include <string>
#include <vector>

#include "core/model.h"

namespace actinfit {

// The header row of a results file: the error, then the five parameters with their units.
std::string ResultsHeader();

// The header row, then the lines of the results pane as they stand.
std::string ResultsFileText(const std::vector<std::string>& paneLines);

// The lines of a pane, each ended by a line break.
std::string PaneFileText(const std::vector<std::string>& paneLines);

// A curve file of `evaluated` (a record that Evaluate has just filled, returning `error`):
// comment lines ("# ") with everything that reproduces the curve (the parameters with bounds
// and fit marks, the G-actin concentration, the time step, the number of points, the error and
// the program's version), a header row, then time, reading, model and residual per point.
std::string CurveFileText(const TModel& evaluated, double error, char decimalMark);

}  // namespace actinfit
