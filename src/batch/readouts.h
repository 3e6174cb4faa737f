// --method readouts: the model-free readouts of every trace, and per file the power laws of
// the half-time and the largest slope against the G-actin when it holds three or more.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "batch/arguments.h"
#include "batch/traces.h"
#include "core/readout_scaling.h"
#include "core/readouts.h"

namespace actinfit::batch {

// What one trace gives: its G-actin, its readouts in readings and in micromolar, and the
// message (why there are none, a caution, or the file's error).
struct TTraceReadouts {
  double gActin;
  TReadouts readouts;
  TActinReadouts actin;
  std::string message;
};

TTraceReadouts ReadTrace(const TTrace& trace, const TBatchOptions& options);

std::string ReadoutTsvHeader();
std::string ReadoutTsvLine(const TTrace& trace, const TTraceReadouts& result);
nlohmann::ordered_json ReadoutJson(const TTrace& trace, const TTraceReadouts& result);
nlohmann::ordered_json ScalingJson(const std::string& file, const TReadoutScaling& scaling);

// Reads every trace and writes the results on standard output, the scaling of each file after
// its traces (with tab-separated output, its sentence on standard error). Returns 1 when a file
// could not be read, else 0: a trace without readouts is a result, not a failure.
int RunReadouts(const std::vector<TTrace>& traces, const TBatchOptions& options);

}  // namespace actinfit::batch
