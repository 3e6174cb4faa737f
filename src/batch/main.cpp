// actinfit-batch: the searches of the window on every trace of a set of data files, several
// traces at once, one result per trace on standard output.
#include <cstdio>
#include <functional>

#include "batch/arguments.h"
#include "batch/global.h"
#include "batch/methods.h"
#include "batch/ordered_pool.h"
#include "batch/output.h"
#include "batch/progress.h"
#include "batch/traces.h"
#include "core/numtext.h"
#include "core/refine.h"

using namespace actinfit;
using namespace actinfit::batch;

namespace {

// One series per file, several files at once, one block of lines (or one JSON object) each.
int RunGlobalFiles(const std::vector<std::vector<TTrace>>& files, const TBatchOptions& options) {
  std::fputs(options.json ? "[" : GlobalTsvHeader().c_str(), stdout);
  TProgress progress(files.size());
  bool anyFailed = false, first = true;
  RunOrdered<TGlobalResult>(
      files.size(), options.jobs, [&](size_t i) { return RunGlobal(files[i], options); },
      [&](size_t i, TGlobalResult& result) {
        if (!result.failure.empty()) {
          anyFailed = true;
          progress.Message(result.failure);  // it names the file or the trace
        }
        const std::string text =
            options.json ? (first ? "\n" : ",\n") + GlobalJson(files[i], result, options).dump()
                         : GlobalTsvLines(files[i], result);
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
        first = false;
      },
      [&](size_t done) { progress.Update(done); });
  if (options.json) std::fputs(first ? "]\n" : "\n]\n", stdout);
  return anyFailed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Numbers on the command line, in files and on output use '.'; this is process-wide state,
  // so it is set once, before any thread starts.
  SetDecimalSeparator('.');
  SilenceSolverLog();
  const TParsedArguments parsed = ParseArguments(argc, argv);
  if (!parsed.options) return parsed.exitCode;
  const TBatchOptions& options = *parsed.options;

  const std::vector<TTrace> traces = LoadTraces(options.files);
  if (options.method == TMethod::Global) return RunGlobalFiles(TracesByFile(traces), options);
  TOutput output(options);
  TProgress progress(traces.size());
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
      },
      [&](size_t done) { progress.Update(done); });
  output.Finish();
  return anyFailed ? 1 : 0;
}
