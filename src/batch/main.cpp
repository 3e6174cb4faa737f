// actinfit-batch: the searches of the window on every trace of a set of data files, several
// traces at once, one result per trace on standard output.
#include <csignal>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "batch/analysis_files.h"
#include "batch/arguments.h"
#include "batch/global.h"
#include "batch/inspect.h"
#include "batch/methods.h"
#include "batch/ordered_pool.h"
#include "batch/output.h"
#include "batch/progress.h"
#include "batch/readouts.h"
#include "batch/settings_checks.h"
#include "batch/traces.h"
#include "core/errors.h"
#include "core/files/plate_map.h"
#include "core/numtext.h"
#include "core/refine.h"

using namespace actinfit;
using namespace actinfit::batch;

namespace {

int Failed(const std::string& message, int exitCode) {
  std::fprintf(stderr, "actinfit-batch: %s\n", ValidUtf8(message).c_str());
  return exitCode;
}

std::string ThreadShortage(const TBatchOptions& options, size_t started,
                           const std::string& reason) {
  const std::string asked = "-j " + std::to_string(options.jobs) + ": ";
  if (started == 0) {
    return asked + "no thread could be started (" + reason + "); running on this thread alone";
  }
  const std::string threads = started == 1 ? " thread" : " threads";
  return asked + "only " + std::to_string(started) + threads + " could be started (" + reason +
         "); running on " + (started == 1 ? "it" : "those");
}

// Writes the trace's analysis file; a failure is reported and ends the run with status 1.
void SaveAnalysis(TAnalysisFolder& folder, const TTrace& trace, const TTraceResult& result,
                  const TBatchOptions& options, TProgress& progress, bool& anyFailed) {
  try {
    folder.Save(trace, result, options);
  } catch (const Error& error) {
    anyFailed = true;
    progress.Message(trace.name + ": " + error.what());
  }
}

// One series per file, several files at once, one block of lines (or one JSON object) each.
int RunGlobalFiles(const std::vector<std::vector<TTrace>>& files, const TBatchOptions& options) {
  WriteStandardOutput(options.json ? "[" : GlobalTsvHeader());
  TProgress progress(files.size(), "series", options.progress);
  bool anyFailed = false, first = true;
  RunOrdered<TGlobalResult>(
      files.size(), options.jobs,
      [&](size_t i) {
        return RunGlobal(files[i], options, SeriesThreads(options, files.size()), progress);
      },
      [&](size_t i, TGlobalResult& result) {
        if (!result.failure.empty()) {
          anyFailed = true;
          progress.Message(result.failure);  // it names the file or the trace
        }
        WriteStandardOutput(options.json ? (first ? "\n" : ",\n") +
                                               JsonText(GlobalJson(files[i], result, options))
                                         : GlobalTsvLines(files[i], result));
        first = false;
      },
      [&](size_t done) { progress.Update(done); },
      [&](size_t started, const std::string& reason) {
        progress.Message("actinfit-batch: " + ThreadShortage(options, started, reason));
      });
  if (options.json) WriteStandardOutput(first ? "]\n" : "\n]\n");
  CloseStandardOutput();
  return anyFailed ? 1 : 0;
}

// How the files are read and which wells become traces; EInvalidInput for a plate map that
// cannot be read.
TLoadOptions LoadOptions(const TBatchOptions& options) {
  TLoadOptions load;
  load.selection = options.selection;
  load.read.intervalSeconds = options.interval;
  if (!options.plateMap.empty()) {
    for (const auto& [well, entry] : files::ReadPlateMap(options.plateMap)) {
      load.plateMap[well] = entry.gActinUm;
    }
  }
  return load;
}

int RunBatch(const TBatchOptions& options) {
  if (options.inspect) return RunInspect(options);
  std::vector<TTrace> traces;
  try {
    traces = LoadTraces(options.files, LoadOptions(options));
    CheckSelection(traces);
    CheckColumnNames(traces, options.settings);
    CheckOneGActinUsed(traces, options);
    // The readouts simulate nothing: the time step is no concern of theirs.
    if (options.method != TMethod::Readouts) CheckStepCounts(traces, options);
  } catch (const EInvalidInput& error) {
    return Failed(error.what(), 2);
  }
  PrintNotes(traces);
  if (options.method == TMethod::Readouts) return RunReadouts(traces, options);
  if (options.method == TMethod::Global) return RunGlobalFiles(TracesBySeries(traces), options);
  std::optional<TAnalysisFolder> analyses;
  try {
    if (!options.saveAnalysis.empty()) analyses.emplace(options.saveAnalysis);
  } catch (const Error& error) {
    return Failed(error.what(), 2);
  }
  TOutput output(options);
  TProgress progress(traces.size(), "traces", options.progress);
  bool anyFailed = false;
  RunOrdered<TTraceResult>(
      traces.size(), options.jobs, [&](size_t i) { return RunTrace(traces[i], options); },
      [&](size_t i, TTraceResult& result) {
        if (!result.failure.empty()) {
          anyFailed = true;
          // A file that could not be read stands as one trace; its message names the file.
          const TTrace& trace = traces[i];
          progress.Message(trace.column.empty() ? result.failure
                                                : trace.name + ": " + result.failure);
        }
        output.Write(traces[i], result);
        if (analyses) SaveAnalysis(*analyses, traces[i], result, options, progress, anyFailed);
      },
      [&](size_t done) { progress.Update(done); },
      [&](size_t started, const std::string& reason) {
        progress.Message("actinfit-batch: " + ThreadShortage(options, started, reason));
      });
  output.Finish();
  return anyFailed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file size limit a write then fails with EFBIG and is reported, instead of the
  // signal ending the program without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  // Numbers on the command line, in files and on output use '.'; this is process-wide state,
  // so it is set once, before any thread starts.
  SetDecimalSeparator('.');
  SilenceSolverLog();
  try {
    const TParsedArguments parsed = ParseArguments(argc, argv);
    if (!parsed.options) {
      if (parsed.exitCode == 0) CloseStandardOutput();  // --help or --version
      return parsed.exitCode;
    }
    return RunBatch(*parsed.options);
  } catch (const std::exception& error) {
    // A failed write, or the system refusing memory: nothing is left to do but say so.
    return Failed(error.what(), 1);
  }
}
