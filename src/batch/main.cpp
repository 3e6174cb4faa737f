// actinfit-batch: the searches of the window on every trace of a set of data files, several
// traces at once, one result per trace on standard output.
#include <cstdio>
#include <functional>

#include "batch/arguments.h"
#include "batch/methods.h"
#include "batch/ordered_pool.h"
#include "batch/output.h"
#include "batch/progress.h"
#include "batch/traces.h"
#include "core/numtext.h"
#include "core/refine.h"

using namespace actinfit;
using namespace actinfit::batch;

int main(int argc, char** argv) {
  // Numbers on the command line, in files and on output use '.'; this is process-wide state,
  // so it is set once, before any thread starts.
  SetDecimalSeparator('.');
  SilenceSolverLog();
  const TParsedArguments parsed = ParseArguments(argc, argv);
  if (!parsed.options) return parsed.exitCode;
  const TBatchOptions& options = *parsed.options;

  const std::vector<TTrace> traces = LoadTraces(options.files);
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
