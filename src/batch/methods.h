// What the batch program runs on one trace, as the window's buttons do: Calculate, Fit, a
// series of estimation + fit runs, or the least-squares refinement.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "batch/arguments.h"
#include "batch/traces.h"
#include "core/model.h"
#include "core/profile.h"
#include "core/refine.h"

namespace actinfit::batch {

// One result line: the error and the five parameters (of one run, for a series).
struct TRunResult {
  double error = 0;
  std::array<double, kParamCount> params{};
  // The refinement's account: standard errors (not-a-number where a parameter was not refined),
  // correlations, parameters held on a bound, starts and evaluations.
  std::optional<TRefinement> refinement;
  // With --intervals: the profile intervals around the refinement's result, or why there are
  // none (a refusal) or the notes of profiles cut short.
  std::optional<TProfileResult> profile{};
  std::string note{};
};

struct TTraceResult {
  std::vector<TRunResult> runs;  // one, or one per finished run of a series
  // The message of the error that ended the trace, empty when it succeeded.
  std::string failure;
};

// The report interval of the window's fit; a series writes the parameter fields there, and the
// next run of the series starts from those fields.
inline constexpr int32_t kWindowShowEvery = 10;

// Runs options.method on the trace. Never throws: an error ends the trace and is its failure.
// A series draws from a generator of its own, from the fixed start state, so its result does
// not depend on other traces, their order or the thread it runs on.
TTraceResult RunTrace(const TTrace& trace, const TBatchOptions& options);

}  // namespace actinfit::batch
