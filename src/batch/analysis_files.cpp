#include "batch/analysis_files.h"

#include <filesystem>
#include <system_error>

#include "core/atomic_file.h"
#include "core/defaults.h"
#include "core/errors.h"
#include "core/fit_statistics.h"
#include "core/numtext.h"
#include "core/result_line.h"
#include "core/series_curves.h"

namespace actinfit::batch {

namespace {

// A number as the window's field shows one typed in: shortest exact text, exponent in capitals
// without leading zeros ("1E-6", as the fields' defaults).
std::string FieldText(double value) {
  std::string text = ShortestReal(value);
  const size_t e = text.find('e');
  if (e == std::string::npos) return text;
  text[e] = 'E';
  size_t digits = e + 1;
  if (digits < text.size() && (text[digits] == '-' || text[digits] == '+')) ++digits;
  while (digits + 1 < text.size() && text[digits] == '0') text.erase(digits, 1);
  return text;
}

std::string Lines(const std::vector<double>& values, const auto& format) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += '\n';
    text += format(values[i]);
  }
  return text;
}

// The file, table and column as the window keeps them for data opened from a file.
TSourceParts SourceParts(const TTrace& trace) {
  TSourceParts parts{std::filesystem::path(trace.file).filename().string(), {}, trace.column};
  // The series is FILE, or FILE:TABLE in a file of several tables.
  if (trace.series.size() > trace.file.size() + 1 &&
      trace.series.compare(0, trace.file.size(), trace.file) == 0) {
    parts.Table = trace.series.substr(trace.file.size() + 1);
    // A table without a name goes by its number, which the window calls "table N".
    if (parts.Table.find_first_not_of("0123456789") == std::string::npos)
      parts.Table = "table " + parts.Table;
  }
  return parts;
}

// "FILE: COLUMN" as the window names data opened from a file.
std::string SourceName(const TTrace& trace) {
  return SourceNameOfParts(SourceParts(trace));
}

void AddFields(const TModel& m, const TBatchOptions& options, TAnalysis& a) {
  for (size_t k = 0; k < kParamCount; ++k) {
    const std::string name = std::string("ed") + kParamNames[k];
    a.Fields.emplace_back(name, FieldText(m.Param[k]));
    a.Fields.emplace_back(name + "Min", FieldText(m.Min[k]));
    a.Fields.emplace_back(name + "Max", FieldText(m.Max[k]));
    a.Marks.emplace_back(std::string("chb") + kParamNames[k], m.Fit[k]);
  }
  a.Fields.emplace_back("edAG", FieldText(m.Init[0]));
  a.Fields.emplace_back("edTStep", FieldText(m.Dt));
  a.Fields.emplace_back("edNItr", FormatInteger(options.iterations));
  a.Fields.emplace_back("edNShow", FormatInteger(kWindowShowEvery));
  a.Fields.emplace_back("edNSeries", FormatInteger(options.runs));
}

// The refinement's report, and the result a profile in the window starts from.
void AddRefinement(const TRunResult& run, TAnalysis& a) {
  const TModel& m = a.Record;
  a.Refinement = *run.refinement;
  a.Statistics = FitStatistics(m, *run.refinement);
  if (run.profile) a.Statistics->Profile = run.profile;
  for (size_t i = 0; i < run.refinement->BestStartPath.size(); ++i) {
    a.ErrorChart.push_back({static_cast<double>(i), run.refinement->BestStartPath[i]});
  }
  a.Refined = TRefinedResult{m.Param, m.Min, m.Max, m.Param, m.Fit, m.Init[0], m.Dt};
}

// The main window after an Apply and Calculate of `trace` with `params`: the record and its
// curve, the fields, marks, labels and panes (the results pane empty).
TAnalysis RecordAnalysis(const TTrace& trace, const std::array<double, kParamCount>& params,
                         const TBatchOptions& options, double& error) {
  TAnalysis a;
  a.Source = SourceName(trace);
  a.SourceParts = SourceParts(trace);
  TModel& m = a.Record;
  m = MakeModel(trace, options.settings);
  m.Param = params;
  error = Evaluate(m);
  AddFields(m, options, a);
  a.Readouts = TSavedReadouts{{}, TraceReadouts(m.Time, m.Data)};
  a.Labels = {{"lbNData", FormatInteger(m.Count)},
              {"lbSSE", FormatReal(error, FloatStyle::Fixed, 10, 3)}};
  const auto shortest = [](double v) { return ShortestReal(v); };
  a.Panes = {
      {"mTime", Lines(m.Time, shortest)},
      {"mData", Lines(m.Data, shortest)},
      {"mModel", Lines(m.Fitted, [](double v) { return FormatReal(v, FloatStyle::Fixed, 5, 5); })},
      {"mResults", ""}};
  return a;
}

// The series window's fields and marks by their control names, the starting rates as typed.
void AddSeriesFields(const TSeries& series, TSavedSeries& saved) {
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    const std::string name = std::string("edSeries") + kParamNames[Knuc + r];
    saved.Fields.emplace_back(name, FieldText(series.Rate[r]));
    saved.Fields.emplace_back(name + "Min", FieldText(series.RateMin[r]));
    saved.Fields.emplace_back(name + "Max", FieldText(series.RateMax[r]));
    saved.Marks.emplace_back(std::string("chbSeries") + kParamNames[Knuc + r], series.FitRate[r]);
  }
  saved.Fields.emplace_back("edSeriesTStep", FieldText(series.Dt));
  saved.Fields.emplace_back("edSeriesReadoutCc", FieldText(kDefaultCc));
  saved.Fields.emplace_back("edSeriesReadoutKplus", FieldText(kDefaultKPlus));
}

}  // namespace

TAnalysis TraceAnalysis(const TTrace& trace, const TTraceResult& result,
                        const TBatchOptions& options) {
  double error = 0;
  TAnalysis a = RecordAnalysis(trace, result.runs.back().params, options, error);
  std::string results;
  // Calculate logs no line.
  if (options.method != TMethod::Calculate) {
    for (const TRunResult& run : result.runs) {
      if (!results.empty()) results += '\n';
      results += ResultLine(run.error, run.params);
      a.ResultOrigins.push_back(TResultOrigin{a.Source, a.Record.Init[0]});
    }
  }
  a.Panes.back().second = results;
  if (result.runs.back().refinement) AddRefinement(result.runs.back(), a);
  return a;
}

TAnalysis SeriesAnalysis(const std::vector<TTrace>& traces, const TGlobalResult& result,
                         const TBatchOptions& options) {
  std::array<double, kParamCount> params{};
  for (size_t k = 0; k < kParamCount; ++k) params[k] = options.settings.params[k].value;
  double error = 0;
  TAnalysis a = RecordAnalysis(traces.front(), params, options, error);
  const TSeries& series = *result.series;
  TSavedSeries saved;
  for (size_t i = 0; i < traces.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    saved.Traces.push_back({SourceName(traces[i]),
                            trace.Time,
                            trace.Data,
                            {},
                            trace.FitTShift,
                            TraceReadouts(trace.Time, trace.Data)});
  }
  AddSeriesFields(series, saved);
  saved.Scaling = series.Scaling == TScaling::SharedBrightness ? 1 : 0;
  saved.Fitted = series;
  saved.Fit = result.fit;
  saved.Curves = SeriesCurves(series, *result.fit);
  a.Series = std::move(saved);
  return a;
}

TAnalysisFolder::TAnalysisFolder(std::string folder) : folder_(std::move(folder)) {
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (error || !std::filesystem::is_directory(folder_)) {
    throw Error("--save-analysis: cannot make the folder '" + folder_ + "'" +
                (error ? ": " + error.message() : std::string()));
  }
}

std::string TAnalysisFolder::FileName(std::string stem) {
  for (char& c : stem) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.';
    if (!plain) c = '_';
  }
  std::string name = stem + ".actinfit";
  for (int n = 2; used_.contains(name); ++n) name = stem + "-" + std::to_string(n) + ".actinfit";
  used_.insert(name);
  return (std::filesystem::path(folder_) / name).string();
}

void TAnalysisFolder::Save(const TTrace& trace, const TTraceResult& result,
                           const TBatchOptions& options) {
  if (!result.failure.empty() || result.runs.empty()) return;
  const std::string stem = std::filesystem::path(trace.file).stem().string() + "_" + trace.column;
  WriteFileAtomically(FileName(stem), AnalysisText(TraceAnalysis(trace, result, options)));
}

void TAnalysisFolder::SaveSeries(const std::vector<TTrace>& traces, const TGlobalResult& result,
                                 const TBatchOptions& options) {
  if (!result.failure.empty() || !result.fit || !result.series) return;
  // FILE, or FILE:TABLE in a file of several tables.
  const std::string& name = traces.front().series;
  const std::string file = traces.front().file;
  std::string stem = std::filesystem::path(file).stem().string();
  if (name.size() > file.size() && name.compare(0, file.size(), file) == 0) {
    stem += "_" + name.substr(file.size() + 1);
  }
  WriteFileAtomically(FileName(stem), AnalysisText(SeriesAnalysis(traces, result, options)));
}

}  // namespace actinfit::batch
