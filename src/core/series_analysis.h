// The series window in an analysis file: its traces as added (points and table cells), its
// fields, and the last fit with the series it was made from, its curves and its report, so that
// the window opens as it was without fitting again.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "core/json_place.h"
#include "core/readouts.h"
#include "core/series_fit.h"

namespace actinfit {

struct TSavedSeriesTrace {
  std::string Source;
  std::vector<double> Time, Data;
  std::vector<std::string> Cells;     // the table row's texts, column by column
  bool FitTShift = false;             // the row's mark
  std::optional<TReadouts> Readouts;  // of its points; missing in a file written before them
};

struct TSavedSeries {
  std::vector<TSavedSeriesTrace> Traces;
  std::vector<std::pair<std::string, std::string>> Fields;  // by name, as typed
  std::vector<std::pair<std::string, bool>> Marks;
  int32_t Scaling = 0;  // the index of the scaling choice
  std::string Progress, Report;
  std::optional<TSeries> Fitted;            // the series of the last fit
  std::optional<TSeriesFit> Fit;            // and its result
  std::vector<std::vector<double>> Curves;  // its curves as drawn, one per trace
};

nlohmann::ordered_json SeriesSection(const TSavedSeries& series);
TSavedSeries ReadSeriesSection(const TJsonPlace& place);

}  // namespace actinfit
