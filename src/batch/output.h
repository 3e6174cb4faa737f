// The results on standard output: tab-separated lines under a header, or JSON.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "batch/arguments.h"
#include "batch/methods.h"
#include "batch/traces.h"

namespace actinfit::batch {

// The header line: trace, (run, for a series,) error, the five parameters, (their standard
// errors, for the refinement,) message.
// With intervals, the interval columns (batch/intervals.h) come before the message.
std::string TsvHeader(TMethod method, bool intervals = false);

// The trace's lines: one per result (per run, for a series), the numbers in the styles of the
// window's result line, the message column empty; a failed trace adds one line with only its
// name (and run) and the message.
std::string TsvLines(const TTrace& trace, const TTraceResult& result, TMethod method,
                     bool intervals = false);

// Everything about one trace: name, file, column, points, the settings used, the results and,
// when it failed, the message.
nlohmann::ordered_json TraceJson(const TTrace& trace, const TTraceResult& result,
                                 const TBatchOptions& options);

nlohmann::ordered_json SettingsJson(const TBatchOptions& options);

// Writes one trace at a time: the header or the opening bracket first, the closing one last.
class TOutput {
 public:
  explicit TOutput(const TBatchOptions& options);
  void Write(const TTrace& trace, const TTraceResult& result);
  void Finish();

 private:
  const TBatchOptions& options_;
  bool first_ = true;
};

}  // namespace actinfit::batch
