// The text of the files the window saves: tab-separated, one row per line, numbers with the
// window's decimal mark, so that a spreadsheet opens them as numbers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/analysis.h"
#include "core/model.h"

namespace actinfit {

// The header row of a results file: the error, the five parameters with their units, then where
// each line came from: its data source and G-actin.
std::string ResultsHeader();

// The comment lines of a results file.
struct ResultsSource {
  double dt = 0;        // of the record the window holds
  std::string savedAt;  // the date and time of saving
  // Comment lines ("# readout ...") with the model-free readouts of the trace; may be empty.
  std::vector<std::string> readouts;
};

// Comment lines ("# ") naming the program's version, what the lines are, the time step, the
// date and the trace's readouts; then the header row, then the lines of the results pane as they
// stand, each followed by the source and G-actin of its origin (`origins`, one per line; two empty
// cells for a line of unknown origin).
std::string ResultsFileText(const std::vector<std::string>& paneLines,
                            const std::vector<std::optional<TResultOrigin>>& origins,
                            const ResultsSource& source, char decimalMark);

// The lines of a pane, each ended by a line break.
std::string PaneFileText(const std::vector<std::string>& paneLines);

// A curve file of `evaluated` (a record that Evaluate has just filled, returning `error`):
// comment lines ("# ") with everything that reproduces the curve (the parameters with bounds
// and fit marks, the G-actin concentration, the time step, the number of points, the error and
// the program's version), a header row, then time, reading, model and residual per point.
std::string CurveFileText(const TModel& evaluated, double error, char decimalMark);

}  // namespace actinfit
