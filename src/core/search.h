// The arithmetic of the parameter searches: the adaptive coordinate fit, the random estimation
// and the sensitivity grid. Free of any window: the caller reaches its model record through an
// accessor, and the searches call that accessor again after every callback, because a callback
// (which may let the window process events) can replace the record; the search then simply goes
// on with the new one.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "core/model.h"
#include "core/random.h"

namespace actinfit {

// Hands out the caller's current record. Never cache its result across a callback.
using ModelAccess = std::function<TModel&()>;

// How a search evaluates the parameter sets that do not depend on one another (the trials of a
// fit iteration, the cells of a grid row). Both give the same results to the last bit.
enum class TEvaluation {
  Batched,     // together, side by side (core/batch.h): what the window uses
  OneAtATime,  // each through Evaluate in turn: the reference the batched path is held to
};

// --- Adaptive coordinate fit --------------------------------------------------------------------

// Step length at the start of a fit, as a fraction of each parameter's bound range, and the
// factors applied to it after an iteration with and without a move.
inline constexpr double kFirstStep = 0.1;
inline constexpr double kStepGrow = 1.2;
inline constexpr double kStepShrink = 0.5;

// Called at every report point (each iteration that is a multiple of showEvery, after its move is
// in the record) with the iteration, the error of the accepted parameters and the step length for
// the next iteration. Returning false ends the search there (the stop request).
using FitReport = std::function<bool(int32_t iteration, double error, double step)>;

// The value one trial gives a parameter: start + direction x step x (max - min), then raised to
// min if below it, then lowered to max if above it. Used for the trials and for the move, so the
// move is exactly the trial that won. A result beyond the 64-bit range raises EOverflow, a
// not-a-number EInvalidOp.
double CoordinateTrial(double start, int32_t direction, double step, double min, double max);

// Refuses a report interval of 0 (a fit could never tell when to report) with EInvalidInput.
// Negative intervals report at the multiples of their magnitude and pass.
void CheckShowEvery(int32_t showEvery);

// The fit of the marked parameters. Checks showEvery first (CheckShowEvery; nothing is changed
// when it is refused). Then: a marked BFluo starts at the first reading; the starting error is
// evaluated; each of maxIterations iterations tries, for every marked parameter in order, a step
// down then a step up of step x (Max - Min) from the iteration's starting values, clamped into
// [Min, Max]; the trial with the lowest error, if strictly below the accepted error (the earliest
// on a tie), becomes the move and the step grows by kStepGrow; otherwise the step shrinks by
// kStepShrink. With maxIterations < 1 only the starting error is evaluated. Returns the error of
// the accepted parameters, which are left in the record. Errors (Evaluate's, an overflowing trial
// or step) propagate and nothing is rolled back: a trial whose evaluation failed stays in Param.
// The trials of an iteration are evaluated together; Fitted and Residual hold the last trial's
// curve afterwards, as with one evaluation after the other.
double RunCoordinateSearch(const ModelAccess& model, int32_t maxIterations, int32_t showEvery,
                           const FitReport& report);

// The same, calling `started` once with the starting error, after the first evaluation and
// before the first iteration (the window draws the first point of its error chart there; it must
// not process events in it).
double RunCoordinateSearch(const ModelAccess& model, int32_t maxIterations, int32_t showEvery,
                           const std::function<void(double error)>& started,
                           const FitReport& report);

// The same, with the trials evaluated as `evaluation` says.
double RunCoordinateSearch(const ModelAccess& model, int32_t maxIterations, int32_t showEvery,
                           const std::function<void(double error)>& started,
                           const FitReport& report, TEvaluation evaluation);

// --- Random estimation --------------------------------------------------------------------------

// The error every draw has to beat; also what the estimation returns when no draw is made.
inline constexpr double kNoEstimate = 1e10;

// Random search for a starting point. Before every draw asks drawCount and stops once the draw
// number exceeds it. Each draw sets every marked parameter, in parameter order, to
// UniformRandom(Min, Max) of the process-wide generator, raises Kon to Koff when it is lower
// (marked or not), and evaluates. A strictly lower error than the best so far keeps the set and
// calls `improved` with the new best already in Param. At the end the best set (or the starting
// set when no draw beat kNoEstimate) is copied into the current record's Param. Returns the best
// error. An error of Evaluate propagates with the failing draw left in Param.
double RunRandomEstimation(const ModelAccess& model, const std::function<int32_t()>& drawCount,
                           const std::function<void(double best)>& improved);

// The same, drawing from `generator` instead of the process-wide one (a batch of traces on
// several threads gives each trace a generator of its own, from the fixed start state).
double RunRandomEstimation(const ModelAccess& model, const std::function<int32_t()>& drawCount,
                           const std::function<void(double best)>& improved,
                           TShuffledGenerator& generator);

// --- Sensitivity grid ---------------------------------------------------------------------------

// Refuses a grid count of 1 (a linear grid of one point has no spacing) or below 0 with
// EInvalidInput, naming the grid, e.g. CheckGridCount(n, "P1 (nucleation rate)") gives "Number
// of points of P1 (nucleation rate) must be 0 or at least 2".
void CheckGridCount(int32_t count, std::string_view gridName);

// Value i of a linear grid of `count` points: (max - min) x i / (count - 1) + min, in that order,
// so value 0 is min and value count - 1 is max. Needs count >= 2; overflow raises EOverflow.
double GridValue(double min, double max, int32_t count, int32_t i);

// All `count` values of the linear grid; empty for 0. Refuses the counts CheckGridCount refuses.
std::vector<double> LinearGrid(double min, double max, int32_t count);

// What the sensitivity scan tells its caller. Empty members are skipped.
struct TScanCallbacks {
  // Before cell (i, j) is evaluated (the window shows the cell's two values in their fields).
  std::function<void(int32_t i, int32_t j)> cellStarting;
  // The error of P1 value i with P2 value j.
  std::function<void(int32_t i, int32_t j, double error)> cellDone;
  // Every cell of row j is done (at once for each row when there are no P1 values).
  std::function<void(int32_t j)> rowDone;
};

// Evaluates the record for every pair of grid values, row by row (P2 value j), each row across
// the P1 values i: sets Param[Knuc] to p1Values[i] and Param[Kon] to p2Values[j], evaluates,
// reports. Nothing else of the record changes; afterwards it holds the last cell's two values.
// An error of Evaluate ends the scan with the cells before it reported.
// The cells of a row are evaluated together before their callbacks run, which see Param as one
// cell after the other sets it (Fitted and Residual may already hold a later cell's curve); the
// callbacks must not change the record.
void RunSensitivityScan(const ModelAccess& model, std::span<const double> p1Values,
                        std::span<const double> p2Values, const TScanCallbacks& callbacks);

// The same, with the cells evaluated as `evaluation` says.
void RunSensitivityScan(const ModelAccess& model, std::span<const double> p1Values,
                        std::span<const double> p2Values, const TScanCallbacks& callbacks,
                        TEvaluation evaluation);

}  // namespace actinfit
