// Evaluation of several parameter sets on one record at once: the independent trials of a fit
// iteration, the cells of a row of the sensitivity grid. One evaluation is a chain of dependent
// operations; stepping several sets side by side in lanes hides that latency. The arithmetic is
// Evaluate's, operation for operation, so every error comes out to the last bit as Evaluate
// gives it.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <span>
#include <vector>

#include "core/model.h"

namespace actinfit {

using TParamSet = std::array<double, kParamCount>;

// The most sets stepped side by side in one pass: all ten trials of a fit iteration with every
// parameter marked, or ten cells of a grid row. Fewer sets take the narrowest pass that holds
// them; more are evaluated in passes of this many.
inline constexpr int32_t kBatchLanes = 10;

// How a batch ended: sets [0, evaluated) have their errors; when `failure` is set, it is the
// error that Evaluate raised for set `evaluated`.
struct TBatchOutcome {
  int32_t evaluated = 0;
  std::exception_ptr failure;
};

// The vectors a pass runs on: two lanes to a register on every x86-64, four where the
// processor has 256-bit vectors. Both give the same results to the last bit.
enum class TLaneWidth { Two, Four };

// Four when the processor running the program has 256-bit vectors (AVX2), else Two.
TLaneWidth WidestLaneWidth();

// One simulation of the polymer alone, as SimulatePolymer does it, on a record of its own
// (its times, initial concentrations and time step): the parameter set gives the rates and
// TShift; the polymer at the record's times goes to `curve` (record->Count values).
struct TPolymerTrial {
  TModel* record;
  TParamSet set;
  double* curve;
};

// Evaluates parameter sets on one record, with scratch space that is kept from call to call so
// that a search allocates nothing per trial.
class TBatchEvaluator {
 public:
  // `width` must be one the processor supports (tests choose it; searches take the widest).
  explicit TBatchEvaluator(TLaneWidth width = WidestLaneWidth());

  // The same as setting the record's Param to each set in turn and calling Evaluate, stopping at
  // the first error: errors[s] is the error of sets[s]. On success Param is unchanged and Fitted
  // and Residual hold the last set's curve. On a failure Param holds the failing set and Fitted
  // and Residual are as its Evaluate left them. A pass in which any lane raised a floating-point
  // flag or gave a not-a-number is replayed one set at a time through Evaluate, so the error is
  // always Evaluate's own. `errors` must hold at least as many values as `sets`.
  TBatchOutcome Evaluate(TModel& model, std::span<const TParamSet> sets, std::span<double> errors);

  // The same, also keeping every set's scaled curve (what Evaluate leaves in Fitted):
  // curves[s * Count + i] is point i of sets[s], for the sets evaluated without error. `curves`
  // must hold at least sets.size() x Count values. The difference Jacobians of the least-squares
  // refinement take their columns from these curves.
  TBatchOutcome Evaluate(TModel& model, std::span<const TParamSet> sets, std::span<double> errors,
                         std::span<double> curves);

  // The same as setting each trial's record Param to its set and calling SimulatePolymer in
  // turn, stopping at the first error: largest[s] is what it returns for trials[s], and its
  // curve what it leaves in Fitted. The trials may be on different records (the traces of a
  // series), many to a pass. On a failure the failing trial's record holds its set and Fitted
  // as SimulatePolymer left them; the records' Param is otherwise left as it was or at a
  // trial's set. `largest` must hold at least as many values as `trials`.
  TBatchOutcome SimulatePolymers(std::span<const TPolymerTrial> trials, std::span<double> largest);

 private:
  TBatchOutcome EvaluatePass(TModel& model, std::span<const TParamSet> sets,
                             std::span<double> errors, std::span<double> curves);

  TLaneWidth width_;
  std::vector<double> curves_;  // the lanes' model curves, interleaved point by point
};

// The same, one set at a time through Evaluate: the reference the batched path is held to.
TBatchOutcome EvaluateOneAtATime(TModel& model, std::span<const TParamSet> sets,
                                 std::span<double> errors);

// The same, keeping the curves as TBatchEvaluator::Evaluate with curves does.
TBatchOutcome EvaluateOneAtATime(TModel& model, std::span<const TParamSet> sets,
                                 std::span<double> errors, std::span<double> curves);

// SimulatePolymers one trial at a time through SimulatePolymer: its reference.
TBatchOutcome SimulatePolymerOneAtATime(std::span<const TPolymerTrial> trials,
                                        std::span<double> largest);

}  // namespace actinfit
