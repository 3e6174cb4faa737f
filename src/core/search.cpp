#include "core/search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <string>

#include "core/batch.h"
#include "core/errors.h"
#include "core/fpu.h"

namespace actinfit {
namespace {

// Comparisons with a not-a-number are invalid operations, as everywhere in the core.
bool Less(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) throw EInvalidOp();
  return a < b;
}

// The best trial of one iteration. Only a strictly lower error replaces it, so on a tie the
// earlier trial stays; a later batched evaluation must offer its trials in the same order.
struct TBestTrial {
  double error;
  int32_t k = -1;
  int32_t d = -1;

  void Offer(double trialError, int32_t trialK, int32_t trialD) {
    if (!Less(trialError, error)) return;
    error = trialError;
    k = trialK;
    d = trialD;
  }
  bool Found() const { return k >= 0; }
};

// Ends an iteration with the best trial as the move, or without a move. Returns the accepted
// error and leaves the next step length in `step`.
double Conclude(TModel& m, const TParamSet& saved, const TBestTrial& best, double cur,
                double& step) {
  if (!best.Found()) {
    step = kStepShrink * step;  // can only underflow, which is silent
    return cur;
  }
  m.Param[best.k] = CoordinateTrial(saved[best.k], best.d, step, m.Min[best.k], m.Max[best.k]);
  step = Checked([&] { return kStepGrow * step; });
  return best.error;
}

// One iteration, each trial evaluated as soon as it is made: every trial starts from the
// iteration's starting values, the best one becomes the move.
double RunIterationOneAtATime(TModel& m, double cur, double& step) {
  const TParamSet saved = m.Param;
  TBestTrial best{cur};
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (!m.Fit[k]) continue;
    for (const int32_t d : {-1, +1}) {
      m.Param[k] = CoordinateTrial(saved[k], d, step, m.Min[k], m.Max[k]);
      best.Offer(Evaluate(m), k, d);
      m.Param[k] = saved[k];
    }
  }
  return Conclude(m, saved, best, cur, step);
}

// The trials of one iteration in the order they are offered: marked parameters in order, the
// step down before the step up.
struct TTrials {
  std::array<TParamSet, 2 * kParamCount> sets;
  std::array<int32_t, 2 * kParamCount> k, d;
  int32_t count = 0;
  // The error of making trial `count`; the trials before it are still evaluated first, so that
  // an evaluation error among them comes out as it would one trial at a time.
  std::exception_ptr failure;
};

TTrials MakeTrials(const TModel& m, double step) {
  TTrials trials;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (!m.Fit[k]) continue;
    for (const int32_t d : {-1, +1}) {
      TParamSet& set = trials.sets[trials.count];
      set = m.Param;
      try {
        set[k] = CoordinateTrial(m.Param[k], d, step, m.Min[k], m.Max[k]);
      } catch (...) {
        trials.failure = std::current_exception();
        return trials;
      }
      trials.k[trials.count] = k;
      trials.d[trials.count] = d;
      ++trials.count;
    }
  }
  return trials;
}

// The same iteration with its trials evaluated together; the move is decided from their errors
// in the order above, so it is the one-at-a-time move.
double RunIterationBatched(TModel& m, double cur, double& step, TBatchEvaluator& batch) {
  const TParamSet saved = m.Param;
  const TTrials trials = MakeTrials(m, step);
  std::array<double, 2 * kParamCount> errors;
  const TBatchOutcome outcome =
      batch.Evaluate(m, std::span(trials.sets.data(), trials.count), errors);
  if (outcome.failure) std::rethrow_exception(outcome.failure);  // that trial stays in Param
  if (trials.failure) std::rethrow_exception(trials.failure);
  TBestTrial best{cur};
  for (int32_t q = 0; q < trials.count; ++q) best.Offer(errors[q], trials.k[q], trials.d[q]);
  return Conclude(m, saved, best, cur, step);
}

}  // namespace

void CheckShowEvery(int32_t showEvery) {
  if (showEvery == 0) {
    throw EInvalidInput("The number of iterations between reports (show each) must not be 0");
  }
}

double CoordinateTrial(double start, int32_t direction, double step, double min, double max) {
  // Carried in extended range, so that only a result beyond the 64-bit range overflows, not a
  // bound range (Max - Min) that exceeds it on the way.
  const double moved = Checked([&] {
    const long double offset =
        static_cast<long double>(direction) * step * (static_cast<long double>(max) - min);
    return static_cast<double>(start + offset);
  });
  // Raised to min, then lowered to max: with crossed bounds a value below min ends at max.
  double value = moved;
  if (Less(value, min)) value = min;
  if (Less(max, value)) value = max;
  return value;
}

double RunCoordinateSearch(const ModelAccess& model, int32_t maxIterations, int32_t showEvery,
                           const FitReport& report) {
  return RunCoordinateSearch(model, maxIterations, showEvery, {}, report);
}

double RunCoordinateSearch(const ModelAccess& model, int32_t maxIterations, int32_t showEvery,
                           const std::function<void(double error)>& started,
                           const FitReport& report) {
  return RunCoordinateSearch(model, maxIterations, showEvery, started, report,
                             TEvaluation::Batched);
}

double RunCoordinateSearch(const ModelAccess& model, int32_t maxIterations, int32_t showEvery,
                           const std::function<void(double error)>& started,
                           const FitReport& report, TEvaluation evaluation) {
  CheckShowEvery(showEvery);
  TBatchEvaluator batch;
  double cur = 0;
  {
    TModel& m = model();
    // A record without points has no first reading; its evaluation below fails anyway.
    if (m.Fit[BFluo] && m.Count > 0) m.Param[BFluo] = m.Data[0];
    cur = Evaluate(m);
  }
  if (started) started(cur);
  double step = kFirstStep;
  // 64 bits, so that a limit of INT32_MAX ends instead of wrapping.
  for (int64_t i = 1; i <= maxIterations; ++i) {
    cur = evaluation == TEvaluation::Batched ? RunIterationBatched(model(), cur, step, batch)
                                             : RunIterationOneAtATime(model(), cur, step);
    if (i % showEvery != 0 || !report) continue;
    if (!report(static_cast<int32_t>(i), cur, step)) break;
  }
  return cur;
}

double RunRandomEstimation(const ModelAccess& model, const std::function<int32_t()>& drawCount,
                           const std::function<void(double best)>& improved) {
  return RunRandomEstimation(model, drawCount, improved, ProcessGenerator());
}

double RunRandomEstimation(const ModelAccess& model, const std::function<int32_t()>& drawCount,
                           const std::function<void(double best)>& improved,
                           TShuffledGenerator& generator) {
  double best = kNoEstimate;
  std::array<double, kParamCount> saved = model().Param;
  for (int64_t j = 1; j <= drawCount(); ++j) {
    TModel& m = model();
    for (int32_t k = 0; k < kParamCount; ++k) {
      if (m.Fit[k]) m.Param[k] = generator.Uniform(m.Min[k], m.Max[k]);
    }
    // Association never falls below dissociation, whichever of the two is drawn.
    if (Less(m.Param[Kon], m.Param[Koff])) m.Param[Kon] = m.Param[Koff];
    const double error = Evaluate(m);
    if (!Less(error, best)) continue;
    saved = m.Param;
    best = error;
    if (improved) improved(best);
  }
  model().Param = saved;
  return best;
}

void CheckGridCount(int32_t count, std::string_view gridName) {
  if (count == 1 || count < 0) {
    throw EInvalidInput("Number of points of " + std::string(gridName) +
                        " must be 0 or at least 2");
  }
}

double GridValue(double min, double max, int32_t count, int32_t i) {
  return Checked([&] {
    // Extended range for the same reason as in CoordinateTrial.
    return static_cast<double>((static_cast<long double>(max) - min) * i / (count - 1) + min);
  });
}

std::vector<double> LinearGrid(double min, double max, int32_t count) {
  CheckGridCount(count, "the grid");
  std::vector<double> values(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i)
    values[static_cast<size_t>(i)] = GridValue(min, max, count, i);
  return values;
}

namespace {

void ScanRowOneAtATime(const ModelAccess& model, std::span<const double> p1Values, double p2,
                       int32_t j, const TScanCallbacks& callbacks) {
  for (int32_t i = 0; i < static_cast<int32_t>(p1Values.size()); ++i) {
    if (callbacks.cellStarting) callbacks.cellStarting(i, j);
    TModel& m = model();
    m.Param[Knuc] = p1Values[static_cast<size_t>(i)];
    m.Param[Kon] = p2;
    const double error = Evaluate(m);
    if (callbacks.cellDone) callbacks.cellDone(i, j, error);
  }
}

// Evaluates the row's cells together, a pass at a time, then runs their callbacks in order with
// Param set as one cell after the other sets it; a failing cell raises its error after the
// callbacks of the cells before it and its own cellStarting, as one at a time.
void ScanRowBatched(const ModelAccess& model, std::span<const double> p1Values, double p2,
                    int32_t j, const TScanCallbacks& callbacks, TBatchEvaluator& batch) {
  const auto n1 = static_cast<int32_t>(p1Values.size());
  std::array<TParamSet, kBatchLanes> cells;
  std::array<double, kBatchLanes> errors;
  for (int32_t first = 0; first < n1; first += kBatchLanes) {
    const int32_t count = std::min(kBatchLanes, n1 - first);
    TModel& evaluated = model();
    for (int32_t c = 0; c < count; ++c) {
      cells[c] = evaluated.Param;
      cells[c][Knuc] = p1Values[static_cast<size_t>(first + c)];
      cells[c][Kon] = p2;
    }
    const TParamSet before = evaluated.Param;
    const TBatchOutcome outcome = batch.Evaluate(evaluated, std::span(cells.data(), count), errors);
    evaluated.Param = before;  // the callbacks see the cells come one after the other
    for (int32_t c = 0; c < count; ++c) {
      if (callbacks.cellStarting) callbacks.cellStarting(first + c, j);
      TModel& m = model();
      m.Param[Knuc] = cells[c][Knuc];
      m.Param[Kon] = p2;
      if (c == outcome.evaluated) std::rethrow_exception(outcome.failure);
      if (callbacks.cellDone) callbacks.cellDone(first + c, j, errors[c]);
    }
  }
}

}  // namespace

void RunSensitivityScan(const ModelAccess& model, std::span<const double> p1Values,
                        std::span<const double> p2Values, const TScanCallbacks& callbacks) {
  RunSensitivityScan(model, p1Values, p2Values, callbacks, TEvaluation::Batched);
}

void RunSensitivityScan(const ModelAccess& model, std::span<const double> p1Values,
                        std::span<const double> p2Values, const TScanCallbacks& callbacks,
                        TEvaluation evaluation) {
  TBatchEvaluator batch;
  for (int32_t j = 0; j < static_cast<int32_t>(p2Values.size()); ++j) {
    const double p2 = p2Values[static_cast<size_t>(j)];
    if (evaluation == TEvaluation::Batched) {
      ScanRowBatched(model, p1Values, p2, j, callbacks, batch);
    } else {
      ScanRowOneAtATime(model, p1Values, p2, j, callbacks);
    }
    if (callbacks.rowDone) callbacks.rowDone(j);
  }
}

}  // namespace actinfit
