// The pieces of the least-squares refinement: the scaled axes the solver moves on, the shared
// evaluation context (record, batched evaluator, best point, failure, stop), one bounded
// Levenberg-Marquardt run and the covariance at a point.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <vector>

#include "core/batch.h"
#include "core/refine.h"
#include "core/trial_failures.h"

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

// Radical inverse of i in the given prime base: the Halton sequence, coordinate by coordinate,
// from which the searches spread their starts over the bounds.
double RadicalInverse(int32_t i, int32_t base);

// The same axis on other bounds (lo < hi), log again if they span kLogScaleRatio.
TAxis Narrowed(TAxis axis, double lo, double hi);

// A unit value this close to 0 or 1 lies on its bound.
inline constexpr double kOnBound = 1e-8;

// Refuses (EInvalidInput) a record the refinement cannot work on: no marked parameter, crossed
// bounds of a marked one, fewer points than marked parameters + 1.
void CheckRefinable(const TModel& model);

// A parameter that follows another so that their product or ratio stays at a held value: the
// profiles of Knuc x Kon and Koff / Kon move Kon and let Knuc or Koff follow.
struct TTie {
  int32_t dependent, on;
  bool product;  // dependent = value / on; else dependent = value x on
  double value;
  double lo, hi;  // the dependent's bounds

  void Apply(TParamSet& set) const;
};

// Everything the local runs share. Every evaluation goes through it, so that the best point and
// the count are complete.
class TContext {
 public:
  TContext(const ModelAccess& access, const RefineReport& report, int32_t starts);

  TModel& Model() { return *model_; }
  int32_t Points() const { return points_; }

  // Evaluates the sets together; curves[s * n + i] as TBatchEvaluator gives them. A set whose
  // evaluation raises a floating-point error gets an infinite error (its curve is undefined) and
  // is counted in `failures`. Returns false after another failure or a stop (the failure is
  // kept, nothing more is evaluated).
  bool Evaluate(std::span<const TParamSet> sets, std::span<double> errors,
                std::span<double> curves);

  // Reports when the interval is up, then takes the record anew; false when the refinement
  // must end.
  bool Tick();
  bool Ended() const { return failure != nullptr || stopped; }
  // The failure, cleared: the evaluations go on (a profile that ran into one carries on with
  // the next quantity).
  std::exception_ptr TakeFailure();

  int32_t evaluations = 0;  // every set evaluated, including one that failed
  int32_t startsDone = 0;   // for the reports
  double bestError;         // the lowest error evaluated, at bestSet
  TParamSet bestSet{};
  std::exception_ptr failure;  // the first error of an evaluation that was not a bad point
  TTrialFailures failures;     // the trial points whose evaluation failed
  bool stopped = false;        // a report asked to stop, or the record changed its size

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
// With a tie, every set tried has its dependent parameter follow.
TLocalResult Solve(TContext& context, const std::vector<TAxis>& axes, const TLocalResult& from,
                   const TSolveLimits& limits, const std::optional<TTie>& tie = std::nullopt);

// The axes whose value at `at` lies strictly inside the bounds.
std::vector<TAxis> AxesInside(const std::vector<TAxis>& axes, const TParamSet& at);

// (J^T J)^-1 of the curve over `axes` at `at`, in the parameters' own units; empty when it
// cannot be computed.
std::vector<double> UnscaledCovariance(TContext& context, const std::vector<TAxis>& axes,
                                       const TParamSet& at);

}  // namespace actinfit::refine
