// The series window's numbers and texts: the report, the saved table, the legend labels.
#pragma once

#include <QString>

#include "core/series_curves.h"
#include "core/series_fit.h"

namespace actinfit {

// A number as the series window shows it: six significant digits with the window's decimal
// separator; "-" where it is not finite (no amplitude under one brightness).
QString SeriesNumber(double value);

// "1.5 µM": the legend's name for a trace.
QString ConcentrationLabel(double gActin);

// What the traces alone say, for the report's comparison: per trace, per rate, its interval
// when that trace was fitted by itself (empty where not fitted or not refined).
using SingleTraceIntervals = std::vector<std::array<std::optional<TInterval>, 3>>;

// The report of a fit, its tables as tab-separated rows between sentences: the rates with standard
// errors and profile intervals, Knuc x Kon and Koff / Kon, per trace its values, error and runs
// test, and which rates the series determines that no single trace did.
QString SeriesReportText(const TSeries& series, const TSeriesFit& fit,
                         const std::vector<QString>& sources, const SingleTraceIntervals& single,
                         bool stopped);

// The same as a tab-separated table for a file: one line per trace, then one per rate and
// combination.
QString SeriesResultsTable(const TSeries& series, const TSeriesFit& fit,
                           const std::vector<QString>& sources);

}  // namespace actinfit
