// The fit report in words: the cells of its parameter table, its sentences, and the whole as
// tab-separated text. The window's report dialog shows the same cells and sentences, Copy puts
// the text on the clipboard, the batch program writes it. UTF-8; numbers in the style that suits
// their size, with the process-wide decimal separator.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/fit_statistics.h"
#include "core/series_fit.h"

namespace actinfit {

// A unit or power as the report writes it: "uM-2s-1" as "µM⁻²s⁻¹", "-7" as "⁻⁷".
std::string UnitGlyphs(std::string_view plain);

// A parameter's unit as the report writes it ("µM⁻²s⁻¹"), from the window's ("uM-2s-1").
std::string ParamUnit(int32_t index);

// The name of a profiled quantity (a parameter, "Knuc·Kon" or "Koff/Kon") and its unit.
const char* QuantityName(int32_t quantity);
std::string QuantityUnit(int32_t quantity);

// The value of a profiled quantity at the result.
double QuantityValue(const TFitStatistics& s, int32_t quantity);

// `value` with `significant` digits, plainly written from 1E-4 to below 10^significant and in
// exponent style beyond ("49.889", "4.9862E-9"); "-" for a value that is not finite.
std::string ReportNumber(double value, int32_t significant);

// An interval's shape in words, for `name` ("Kon"): "The data allow Kon from 1 to 3.6 and from
// 4.1 to 12.6: values between lie outside." and "The profile of Kon jumps across the threshold
// at 12.6 ...": empty when the interval is one piece between two crossings or bounds.
std::string IntervalShapeText(const std::string& name, const TIntervalShape& shape, double low,
                              double high, int32_t digits = 4);

// One row of the parameter table.
struct TReportRow {
  std::string Name;      // with its unit: "Knuc (µM⁻²s⁻¹)"
  std::string Value;     // the result
  std::string StdError;  // "± 0.0393"; "-" where there is none
  std::string Interval;  // the 95 % interval from the standard error; an end cut at a bound says so
  std::string Profile;   // the 95 % profile interval; empty when no profile was computed
  std::string Status;    // "refined", "fixed", "on its upper bound", ...
};

std::array<TReportRow, 5> ReportRows(const TFitStatistics& s);

// The header of the table's columns, in the order of TReportRow (Profile only with a profile).
std::vector<std::string> ReportColumns(const TFitStatistics& s);

// Sentences about the parameters: the pairs the data cannot tell apart, and what a parameter
// held on its bound means for the others' errors.
std::vector<std::string> ParameterSentences(const TFitStatistics& s);

// The measures of fit in one sentence: points, refined parameters, residual standard deviation,
// R squared.
std::string MeasuresSentence(const TFitStatistics& s);

// What the count of starts that reached the best fit means.
std::string StartsSentence(const TFitStatistics& s);

// The runs test of the residual signs and its verdict.
std::string RunsSentence(const TFitStatistics& s);

// The profile's sentences: its threshold, the two combinations the data determine against the
// rates alone, the profiles cut short or unfinished. Empty without a profile.
std::vector<std::string> ProfileSentences(const TFitStatistics& s);

// What the data and the time step allow one to read from the result: a trace that does not
// rise, trial points the search passed over, the time step's share. Empty when all is well.
std::vector<std::string> DataSentences(const TFitStatistics& s);

// The same for a series fit: each trace that does not rise, named, then the rest.
std::vector<std::string> DataSentences(const TSeries& series, const TSeriesFit& fit);

// The report as tab-separated text: the parameter table, the correlation matrix, the sentences
// and the measures of fit, the profile's combinations.
std::string FitReportText(const TFitStatistics& s);

}  // namespace actinfit
