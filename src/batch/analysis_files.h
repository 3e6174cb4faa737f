// --save-analysis DIR: one analysis file per trace, which the window opens to show the trace,
// its fit and, after a refinement, its report as if it had been made there; with --method
// global one per series, which opens in the series window.
#pragma once

#include <set>
#include <string>

#include "batch/arguments.h"
#include "batch/global.h"
#include "batch/methods.h"
#include "batch/traces.h"
#include "core/analysis.h"

namespace actinfit::batch {

// The analysis the window would hold after running options.method on the trace: its data and
// source, the fields and marks, the record with the result's curve, the result lines, and for
// a refinement its statistics (with the profile under --intervals). The curve is evaluated here.
TAnalysis TraceAnalysis(const TTrace& trace, const TTraceResult& result,
                        const TBatchOptions& options);

// The analysis the window would hold after fitting the series in its series window: the series
// window's traces, fields, marks and the fit with its curves (its report and table cells left
// for the window to write from the fit); the main window shows the series' first trace under
// the settings' parameters. The curves are evaluated here.
TAnalysis SeriesAnalysis(const std::vector<TTrace>& traces, const TGlobalResult& result,
                         const TBatchOptions& options);

class TAnalysisFolder {
 public:
  // Makes the folder when it does not exist; raises Error naming it when it cannot.
  explicit TAnalysisFolder(std::string folder);

  // Writes FOLDER/NAME.actinfit for a trace that succeeded (NAME from the file and column, made
  // unique within the run); raises Error naming the file when it cannot be written.
  void Save(const TTrace& trace, const TTraceResult& result, const TBatchOptions& options);
  // Writes FOLDER/NAME.actinfit for a series that was fitted (NAME from its file and table).
  void SaveSeries(const std::vector<TTrace>& traces, const TGlobalResult& result,
                  const TBatchOptions& options);

 private:
  std::string FileName(std::string stem);

  std::string folder_;
  std::set<std::string> used_;
};

}  // namespace actinfit::batch
