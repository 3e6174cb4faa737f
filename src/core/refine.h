// Least-squares refinement of the marked parameters: the best fit within the bounds from a
// deterministic set of starts, and how well each refined parameter is known.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/defaults.h"
#include "core/dt_check.h"
#include "core/model.h"
#include "core/search.h"
#include "core/trial_failures.h"

namespace actinfit {

struct TRefinement {
  double Error;                                      // what Evaluate returns at the result
  std::array<double, 5> StdError;                    // NaN where not refined, on a bound, or TShift
  std::array<std::array<double, 5>, 5> Correlation;  // NaN where either has no StdError
  int32_t Evaluations;                               // evaluations spent, all lanes counted

  int32_t Points = 0;                 // n, the points of the record
  int32_t Refined = 0;                // p: marked parameters that ended inside their bounds
  std::array<bool, 5> OnBound{};      // marked and ended on Min or Max (held fixed)
  int32_t Starts = 0;                 // local runs started (the current values and the spread set)
  int32_t StartsReachingBest = 0;     // of those, the ones that ended at the best error
  bool Stopped = false;               // the progress callback asked to stop: the best point so far
  std::vector<double> BestStartPath;  // the error after each local iteration of the winning start
  TTrialFailures Failures;            // trial points whose evaluation failed (passed over)
  std::optional<TDtCheck> DtCheck;    // the best point refitted with half the time step
};

// Minimises the mean squared residual of Evaluate over the marked parameters within [Min, Max]:
// bounded Levenberg-Marquardt runs from the current values and from a low-discrepancy set of
// starts over the bounds (a parameter whose bounds span two decades or more on a log scale);
// TShift, which acts only in whole time steps, by a search over stairs Dt wide. Leaves the best
// point in Param and its curve in Fitted and Residual; deterministic to the last bit.
// Refuses (EInvalidInput, nothing changed): no marked parameter; Min > Max for a marked
// parameter; fewer points than marked parameters + 1. A trial point whose evaluation raises a
// floating-point error is infinitely bad: the step is rejected, a start there is skipped, and
// the count comes back in Failures; the first such error propagates only when no point could be
// evaluated (Param as it was). Another error of Evaluate propagates with the best point found
// so far in Param.
TRefinement RefineLeastSquares(TModel& model);

// What the refinement tells its caller at least every kRefineReportInterval of work.
struct TRefineProgress {
  double BestError;    // the lowest error so far
  int32_t StartsDone;  // local runs finished
  int32_t Starts;      // local runs planned
};

// Returning false stops the refinement with the best point so far.
using RefineReport = std::function<bool(const TRefineProgress& progress)>;

// Milliseconds of work between two progress reports, at most.
inline constexpr int32_t kRefineReportMilliseconds = 25;

// The same, reaching the record through `model` and calling it again after every report (a
// report may let the window replace the record: the refinement goes on with the new one when it
// has the same number of points, and ends as if stopped otherwise, with the best point so far in
// it). The marks and bounds are those of the record at the start.
TRefinement RefineLeastSquares(const ModelAccess& model, const RefineReport& report);

// Parameters whose bounds span at least this ratio are spread and refined on a log scale.
inline constexpr double kLogScaleRatio = 100;

// Keeps the solver's own log lines ("Terminating: ...") off standard error: the refinement
// reports its failures as errors of its own. Programs call it once at start; later calls do
// nothing.
void SilenceSolverLog();

// Refuses (EInvalidInput) the bounds of a parameter a search moves when they are crossed: the
// minimum above the maximum, or either not a number.
void CheckBounds(int32_t index, double min, double max);

}  // namespace actinfit
