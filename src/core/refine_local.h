// The pieces of the least-squares refinement: the scaled axes the solver moves on, the shared
// evaluation context (record, batched evaluator, best point, failure, stop), one bounded
// Levenberg-Marquardt run and the covariance at a point.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <vector>

#include "core/batch.h"
#include "core/refine.h"

namespace actinfit::refine {

// One refined parameter on the unit interval: u = 0 is Min, u = 1 is Max, linear in the value
// or in its logarithm.
struct TAxis {
  int32_t index;
  bool log;
  double lo, hi;
  double step;  // difference step of the Jacobian, in u

  double Value(double u) const;
  double Unit(double value) const;  // clamped into [0, 1]
  double Slope(double u) const;     // d value / d u
};

TAxis MakeAxis(const TModel& model, int32_t index);

// Everything the local runs share. Every evaluation goes through it, so that the best point and
// the count are complete.
class TContext {
 public:
  TContext(const ModelAccess& access, const RefineReport& report, int32_t starts);

  TModel& Model() { return *model_; }
  int32_t Points() const { return points_; }

  // Evaluates the sets together; curves[s * n + i] as TBatchEvaluator gives them. Returns false
  // after a failure or a stop (the failure is kept, nothing more is evaluated).
  bool Evaluate(std::span<const TParamSet> sets, std::span<double> errors,
                std::span<double> curves);

  // Reports when the interval is up; false when the refinement must end.
  bool Tick();
  bool Ended() const { return failure_ != nullptr || stopped_; }

  int32_t evaluations = 0;
  int32_t startsDone = 0;
  double bestError;
  TParamSet bestSet{};
  std::exception_ptr failure_;
  bool stopped_ = false;

 private:
  ModelAccess access_;
  RefineReport report_;
  TModel* model_;
  int32_t points_;
  int32_t starts_;
  TBatchEvaluator batch_;
  std::chrono::steady_clock::time_point lastReport_;
};

// Where a local run has got to.
struct TLocalResult {
  TParamSet set;
  double error;              // mean squared residual at `set` (infinite before any solve)
  std::vector<double> path;  // error after each iteration, the first being the start
};

// When a solve ends: after `iterations`, or when an iteration changes the error by less than
// `tolerance` of it.
struct TSolveLimits {
  int32_t iterations;
  double tolerance;
};

// Bounded Levenberg-Marquardt over `axes` from `from.set` (the other parameters as there), its
// iterations appended to `from.path`. With TShift among the axes, its Jacobian column is a secant
// over several stairs, since the error is flat within a stair. Without axes: one evaluation.
TLocalResult Solve(TContext& context, const std::vector<TAxis>& axes, const TLocalResult& from,
                   const TSolveLimits& limits);

// The axes whose value at `at` lies strictly inside the bounds.
std::vector<TAxis> AxesInside(const std::vector<TAxis>& axes, const TParamSet& at);

// (J^T J)^-1 of the curve over `axes` at `at`, in the parameters' own units; empty when it
// cannot be computed.
std::vector<double> UnscaledCovariance(TContext& context, const std::vector<TAxis>& axes,
                                       const TParamSet& at);

}  // namespace actinfit::refine
