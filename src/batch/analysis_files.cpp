#include "batch/analysis_files.h"

#include <filesystem>
#include <system_error>

#include "core/atomic_file.h"
#include "core/defaults.h"
#include "core/errors.h"
#include "core/fit_statistics.h"
#include "core/numtext.h"
#include "core/result_line.h"

namespace actinfit::batch {

namespace {

// A number as the window's field shows one typed in: shortest exact text, exponent in capitals.
std::string FieldText(double value) {
  std::string text = ShortestReal(value);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
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

// "FILE: COLUMN" as the window names data opened from a file.
std::string SourceName(const TTrace& trace) {
  return std::filesystem::path(trace.file).filename().string() + ": " + trace.column;
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

}  // namespace

TAnalysis TraceAnalysis(const TTrace& trace, const TTraceResult& result,
                        const TBatchOptions& options) {
  TAnalysis a;
  a.Source = SourceName(trace);
  TModel& m = a.Record;
  m = MakeModel(trace, options.settings);
  const TRunResult& last = result.runs.back();
  m.Param = last.params;
  const double error = Evaluate(m);
  AddFields(m, options, a);

  std::string results;
  for (const TRunResult& run : result.runs) {
    if (!results.empty()) results += '\n';
    results += ResultLine(run.error, run.params);
    a.ResultOrigins.push_back(TResultOrigin{a.Source, m.Init[0]});
  }
  if (options.method == TMethod::Calculate) {  // Calculate logs no line
    results.clear();
    a.ResultOrigins.clear();
  }
  a.Labels = {{"lbNData", FormatInteger(m.Count)},
              {"lbSSE", FormatReal(error, FloatStyle::Fixed, 10, 3)}};
  const auto shortest = [](double v) { return ShortestReal(v); };
  a.Panes = {
      {"mTime", Lines(m.Time, shortest)},
      {"mData", Lines(m.Data, shortest)},
      {"mModel", Lines(m.Fitted, [](double v) { return FormatReal(v, FloatStyle::Fixed, 5, 5); })},
      {"mResults", results}};
  if (last.refinement) AddRefinement(last, a);
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

std::string TAnalysisFolder::FileName(const TTrace& trace) {
  std::string stem = std::filesystem::path(trace.file).stem().string() + "_" + trace.column;
  for (char& c : stem) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.';
    if (!plain) c = '_';
  }
  std::string name = stem + ".actinfit";
  for (int n = 2; used_.contains(name); ++n) name = stem + "-" + std::to_string(n) + ".actinfit";
  used_.insert(name);
  return name;
}

void TAnalysisFolder::Save(const TTrace& trace, const TTraceResult& result,
                           const TBatchOptions& options) {
  if (!result.failure.empty() || result.runs.empty()) return;
  const std::string path = (std::filesystem::path(folder_) / FileName(trace)).string();
  WriteFileAtomically(path, AnalysisText(TraceAnalysis(trace, result, options)));
}

}  // namespace actinfit::batch
