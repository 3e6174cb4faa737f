#include "core/refine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/refine_local.h"

namespace actinfit {

using refine::TAxis;
using refine::TContext;
using refine::TLocalResult;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Starts spread over the bounds besides the current values.
constexpr int32_t kSpreadStarts = 24;

// Every start first gets a short solve over all axes (TShift moved along a secant). Those that
// end within kPromising of the best short solve go on: a long solve over the axes that are not
// on a bound (a projected step against an active bound makes the solver crawl), then, with TShift
// marked, the search over its stairs. A start whose final error is within kSameBest of the best
// has reached it.
constexpr refine::TSolveLimits kFirstSolve{30, 1e-6};
constexpr refine::TSolveLimits kFinalSolve{100, 1e-9};
constexpr refine::TSolveLimits kStairSolve{40, 1e-8};
constexpr double kPromising = 0.25;
constexpr double kSameBest = 1e-4;

constexpr int32_t kPrimes[kParamCount] = {2, 3, 5, 7, 11};

// The stairs of TShift: anchor + k x Dt inside the bounds.
struct TStairs {
  double anchor, dt, lo, hi;
  int64_t first, last;

  double Value(int64_t k) const { return std::clamp(anchor + static_cast<double>(k) * dt, lo, hi); }
  int64_t Nearest(double shift) const {
    const double k = std::round((shift - anchor) / dt);
    return std::clamp(static_cast<int64_t>(std::clamp(k, -9e15, 9e15)), first, last);
  }
};

TStairs MakeStairs(const TModel& m, double anchor) {
  TStairs s{anchor, m.Dt, m.Min[TShift], m.Max[TShift], 0, 0};
  if (m.Dt > 0) {
    s.first = static_cast<int64_t>(std::max(-9e15, std::ceil((s.lo - anchor) / m.Dt)));
    s.last = static_cast<int64_t>(std::min(9e15, std::floor((s.hi - anchor) / m.Dt)));
  }
  return s;
}

// Refines the other axes on stairs of TShift, each probe warm-started from the best stair so
// far: from the stair nearest the run's end, a step to each side; downhill, strides that double
// while they gain; then strides that halve back to one stair, on both sides of the best.
TLocalResult DescendStairs(TContext& context, const std::vector<TAxis>& axes, const TStairs& stairs,
                           const TLocalResult& from) {
  int64_t bestK = stairs.Nearest(from.set[TShift]);
  TLocalResult best{from.set, std::numeric_limits<double>::infinity(), {}};
  std::vector<double> path = from.path;
  // Fits the other axes on stair k; true when that beats the best stair.
  const auto tryStair = [&](int64_t k) {
    if (k < stairs.first || k > stairs.last || context.Ended()) return false;
    TLocalResult start{best.set, std::numeric_limits<double>::infinity(), {}};
    start.set[TShift] = stairs.Value(k);
    TLocalResult probe =
        refine::Solve(context, refine::AxesInside(axes, start.set), start, kStairSolve);
    if (!(probe.error < best.error)) return false;
    best = std::move(probe);
    bestK = k;
    path.push_back(best.error);
    return true;
  };
  tryStair(bestK);
  int64_t direction = 0;
  if (tryStair(bestK - 1)) {
    direction = -1;
  } else if (tryStair(bestK + 1)) {
    direction = 1;
  }
  int64_t stride = 1;
  if (direction != 0) {
    while (tryStair(bestK + 2 * stride * direction)) stride *= 2;
  }
  for (; stride >= 1; stride /= 2) {
    if (!tryStair(bestK - stride)) tryStair(bestK + stride);
  }
  best.path = std::move(path);
  return best;
}

// Standard errors and correlations of the refined parameters inside their bounds (not TShift).
void FillUncertainty(TContext& context, const std::vector<TAxis>& axes, TRefinement& r,
                     const TParamSet& at) {
  std::vector<TAxis> free;
  for (const TAxis& axis : axes) {
    if (axis.index != TShift && !r.OnBound[axis.index]) free.push_back(axis);
  }
  const std::vector<double> unscaled = refine::UnscaledCovariance(context, free, at);
  if (unscaled.empty()) return;
  const double n = r.Points;
  const double s2 = n * r.Error / (n - r.Refined);
  const size_t q = free.size();
  for (size_t a = 0; a < q; ++a) {
    r.StdError[free[a].index] = std::sqrt(s2 * unscaled[a * q + a]);
  }
  for (size_t a = 0; a < q; ++a) {
    for (size_t b = 0; b < q; ++b) {
      const double sa = std::sqrt(unscaled[a * q + a]), sb = std::sqrt(unscaled[b * q + b]);
      r.Correlation[free[a].index][free[b].index] = a == b ? 1.0 : unscaled[a * q + b] / (sa * sb);
    }
  }
}

}  // namespace

void CheckBounds(int32_t index, double min, double max) {
  if (!(min <= max)) {
    throw EInvalidInput(std::string("The bounds of ") + ParamName(index) +
                        " are crossed: its minimum is above its maximum");
  }
}

TRefinement RefineLeastSquares(TModel& model) {
  return RefineLeastSquares([&model]() -> TModel& { return model; }, nullptr);
}

TRefinement RefineLeastSquares(const ModelAccess& access, const RefineReport& report) {
  const TModel& initial = access();
  refine::CheckRefinable(initial);
  const TParamSet original = initial.Param;
  const std::array<double, 5> min = initial.Min, max = initial.Max;
  const std::array<bool, 5> fit = initial.Fit;
  int32_t marked = 0;
  for (const bool f : fit) marked += f ? 1 : 0;

  TRefinement r{};
  r.Error = kNaN;
  r.StdError.fill(kNaN);
  for (auto& row : r.Correlation) row.fill(kNaN);
  r.Points = initial.Count;

  // Marked parameters start inside their bounds; one with Min = Max is held there.
  TParamSet current = original;
  std::vector<TAxis> axes;  // every refined parameter but TShift
  bool shiftRefined = false;
  TAxis shiftAxis{};
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (!fit[k]) continue;
    current[k] = std::clamp(current[k], min[k], max[k]);
    if (min[k] == max[k]) {
      r.OnBound[k] = true;
    } else if (k == TShift) {
      shiftRefined = true;
      shiftAxis = refine::MakeAxis(initial, k);
    } else {
      axes.push_back(refine::MakeAxis(initial, k));
    }
  }
  std::vector<TAxis> firstAxes = axes;  // the first runs move TShift along a secant
  if (shiftRefined) firstAxes.push_back(shiftAxis);
  const TStairs stairs = MakeStairs(initial, current[TShift]);
  // From here on a report may replace the record: it is reached through `access` only.

  std::vector<TParamSet> starts{current};
  for (int32_t i = 1; i <= kSpreadStarts && !firstAxes.empty(); ++i) {
    TParamSet start = current;
    for (size_t d = 0; d < firstAxes.size(); ++d) {
      start[firstAxes[d].index] = firstAxes[d].Value(refine::RadicalInverse(i, kPrimes[d]));
    }
    starts.push_back(start);
  }
  r.Starts = static_cast<int32_t>(starts.size());

  TContext context(access, report, r.Starts);
  context.bestSet = current;
  // A short solve from every start; the most promising ends go on to converge.
  std::vector<TLocalResult> ends;
  for (const TParamSet& start : starts) {
    if (context.Ended()) break;
    ends.push_back(refine::Solve(
        context, firstAxes, {start, std::numeric_limits<double>::infinity(), {}}, kFirstSolve));
    ++context.startsDone;
    context.Tick();
  }
  double firstBest = std::numeric_limits<double>::infinity();
  for (const TLocalResult& end : ends) firstBest = std::min(firstBest, end.error);
  std::vector<bool> converged(ends.size(), false);
  for (size_t s = 0; s < ends.size() && !context.Ended(); ++s) {
    if (!(ends[s].error <= firstBest * (1 + kPromising))) continue;
    TLocalResult end =
        refine::Solve(context, refine::AxesInside(firstAxes, ends[s].set), ends[s], kFinalSolve);
    if (shiftRefined && !context.Ended()) end = DescendStairs(context, axes, stairs, end);
    ends[s] = std::move(end);
    converged[s] = true;
  }

  TModel& m = access();
  if (context.failure) {
    m.Param = std::isfinite(context.bestError) ? context.bestSet : original;
    std::rethrow_exception(context.failure);
  }
  if (!std::isfinite(context.bestError) && context.failures.FirstError) {
    m.Param = original;
    std::rethrow_exception(context.failures.FirstError);
  }
  r.Stopped = context.stopped;

  // The winner, and how many starts reached it.
  const TLocalResult* winner = nullptr;
  for (const TLocalResult& end : ends) {
    if (winner == nullptr || end.error < winner->error) winner = &end;
  }
  if (winner != nullptr) {
    r.BestStartPath = winner->path;
    for (size_t s = 0; s < ends.size(); ++s) {
      r.StartsReachingBest += converged[s] && ends[s].error <= winner->error * (1 + kSameBest);
    }
  }

  // The best point evaluated; the record keeps its curve.
  m.Param = std::isfinite(context.bestError) ? context.bestSet : current;
  r.Error = Evaluate(m);
  ++context.evaluations;
  const TParamSet best = m.Param;
  for (const TAxis& axis : axes) {
    const double u = axis.Unit(best[axis.index]);
    r.OnBound[axis.index] = u <= refine::kOnBound || u >= 1 - refine::kOnBound;
  }
  // The stairs of TShift end exactly on its bounds.
  if (shiftRefined) r.OnBound[TShift] = best[TShift] <= min[TShift] || best[TShift] >= max[TShift];
  int32_t onBound = 0;
  for (const bool b : r.OnBound) onBound += b ? 1 : 0;
  r.Refined = marked - onBound;
  if (!r.Stopped && r.Points > r.Refined) FillUncertainty(context, axes, r, best);
  r.Evaluations = context.evaluations;
  r.Failures = context.failures;
  // The covariance's trials leave their curves in the record: the best point's goes back.
  TModel& last = access();
  last.Param = best;
  Evaluate(last);
  ++r.Evaluations;
  if (!r.Stopped) r.DtCheck = HalvedTimeStepCheck(last, r);
  return r;
}

}  // namespace actinfit
