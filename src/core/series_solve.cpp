#include "core/series_solve.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

#include "core/refine.h"
#include "core/series_jacobian.h"

namespace actinfit::series {
namespace {

// Difference step of a rate's Jacobian column on the unit interval (as the refinement's).
constexpr double kRateUnitStep = 1e-5;
// A time shift's column is a secant over this many stairs, since the error is flat within one.
constexpr double kShiftSecantStairs = 5;
constexpr int32_t kSolveIterations = 100;
constexpr double kSolveTolerance = 1e-10;
// Rounds of rates' solve and time-shift search before a start is taken as settled.
constexpr int32_t kRounds = 8;
// A round that lowers the SSR by less than this share of it ends them: far below what a
// profile interval's threshold resolves (a share of about 4 / (N - p)).
constexpr double kRoundTolerance = 1e-7;
// The coarse pass of a time-shift search looks at about this many stairs across the bounds.
constexpr int32_t kCoarseStairs = 40;

TPoint PointAt(const TPoint& base, const std::vector<TAxis>& axes, const Eigen::VectorXd& u,
               const std::optional<TRateTie>& tie) {
  TPoint point = base;
  for (size_t a = 0; a < axes.size(); ++a) {
    axes[a].Set(point, axes[a].Value(u[static_cast<Eigen::Index>(a)]));
  }
  if (tie) tie->Apply(point.rate);
  return point;
}

// The Jacobian of the residuals on the unit axes by forward differences (backward at 1), all
// columns' trials evaluated together.
TJacobian ForwardJacobian(TSearch& search, const std::vector<TAxis>& axes, const TPoint& base,
                          const Eigen::VectorXd& u, const Eigen::VectorXd& r0,
                          const std::optional<TRateTie>& tie) {
  std::vector<TPoint> trials;
  std::vector<double> steps;
  for (size_t a = 0; a < axes.size(); ++a) {
    Eigen::VectorXd moved = u;
    const auto at = static_cast<Eigen::Index>(a);
    const double h = u[at] + axes[a].step <= 1 ? axes[a].step : -axes[a].step;
    moved[at] += h;
    trials.push_back(PointAt(base, axes, moved, tie));
    // A time shift moves from stair to stair: the secant spans the stairs actually taken.
    steps.push_back(axes[a].stair > 0 ? axes[a].Unit(axes[a].At(trials.back())) -
                                            axes[a].Unit(axes[a].Value(u[at]))
                                      : h);
  }
  std::vector<double> ssr(trials.size());
  search.Evaluate(trials, ssr);
  TJacobian jacobian(search, axes);
  for (size_t a = 0; a < axes.size(); ++a) {
    const Eigen::VectorXd from = r0.segment(jacobian.Offset(a), jacobian.Size(a));
    // A trial that failed leaves its axis still for this iteration.
    if (steps[a] == 0 || !std::isfinite(ssr[a])) {
      jacobian.SetColumn(a, Eigen::VectorXd::Zero(from.size()));
    } else {
      jacobian.SetColumn(a, (jacobian.Residuals(search, a, a) - from) / steps[a]);
    }
  }
  return jacobian;
}

}  // namespace

double TAxis::Value(double u) const {
  if (stair > 0) {
    const double v = lo + u * (hi - lo);
    return std::clamp(anchor + static_cast<double>(std::llround((v - anchor) / stair)) * stair, lo,
                      hi);
  }
  const double v =
      log ? std::exp(std::log(lo) + u * (std::log(hi) - std::log(lo))) : lo + u * (hi - lo);
  return std::clamp(v, lo, hi);
}

double TAxis::Unit(double value) const {
  const double v = std::clamp(value, lo, hi);
  if (hi == lo) return 0;
  const double u =
      log ? (std::log(v) - std::log(lo)) / (std::log(hi) - std::log(lo)) : (v - lo) / (hi - lo);
  return std::clamp(u, 0.0, 1.0);
}

double TAxis::At(const TPoint& point) const {
  return rate >= 0 ? point.rate[static_cast<size_t>(rate)]
                   : point.shift[static_cast<size_t>(trace)];
}

void TAxis::Set(TPoint& point, double value) const {
  if (rate >= 0) {
    point.rate[static_cast<size_t>(rate)] = value;
  } else {
    point.shift[static_cast<size_t>(trace)] = value;
  }
}

double TAxis::Slope(double u) const {
  return log ? Value(u) * (std::log(hi) - std::log(lo)) : hi - lo;
}

std::vector<TAxis> RateAxes(const TSeries& series) {
  std::vector<TAxis> axes;
  for (int32_t r = 0; r < 3; ++r) {
    if (!series.FitRate[r]) continue;
    axes.push_back(NarrowedRate({r, -1, false, 0, 0, kRateUnitStep, 0, 0}, series.RateMin[r],
                                series.RateMax[r]));
  }
  return axes;
}

TAxis NarrowedRate(const TAxis& axis, double lo, double hi) {
  TAxis narrowed = axis;
  narrowed.lo = lo;
  narrowed.hi = hi;
  narrowed.log = lo > 0 && hi >= kLogScaleRatio * lo;
  return narrowed;
}

std::vector<TAxis> ShiftAxes(const TSeries& series) {
  std::vector<TAxis> axes;
  const double dt = series.Dt;
  for (size_t i = 0; i < series.Traces.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    if (!trace.FitTShift) continue;
    const double anchor = trace.TShift;
    const double first = std::ceil((trace.TShiftMin - anchor) / dt);
    const double last = std::floor((trace.TShiftMax - anchor) / dt);
    if (!(last > first)) continue;
    const double lo = anchor + first * dt, hi = anchor + last * dt;
    const double step = std::min(0.25, kShiftSecantStairs * dt / (hi - lo));
    axes.push_back({-1, static_cast<int32_t>(i), false, lo, hi, step, anchor, dt});
  }
  return axes;
}

void TRateTie::Apply(std::array<double, 3>& rate) const {
  const double v = dependent == 0 ? value / rate[1] : value * rate[1];
  rate[static_cast<size_t>(dependent)] = std::clamp(v, lo, hi);
}

double Solve(TSearch& search, const std::vector<TAxis>& axes, TPoint& point,
             const std::optional<TRateTie>& tie) {
  const auto q = static_cast<Eigen::Index>(axes.size());
  Eigen::VectorXd u(q);
  for (Eigen::Index a = 0; a < q; ++a)
    u[a] = axes[static_cast<size_t>(a)].Unit(axes[static_cast<size_t>(a)].At(point));
  double cost = search.SSR(PointAt(point, axes, u, tie));
  // A start that cannot be evaluated is skipped.
  if (!std::isfinite(cost)) return cost;
  Eigen::VectorXd r0 =
      Eigen::Map<const Eigen::VectorXd>(search.Residuals(0).data(), search.Points());
  double lambda = 1e-3;
  for (int32_t iteration = 0; iteration < kSolveIterations && q > 0; ++iteration) {
    const TJacobian jacobian = ForwardJacobian(search, axes, point, u, r0, tie);
    const Eigen::VectorXd gradient = jacobian.Gradient(r0);
    // An axis on a bound that the error would push past it stays there this iteration: its
    // step, cut at the bound, would otherwise spoil the others'.
    std::vector<Eigen::Index> free;
    for (Eigen::Index a = 0; a < q; ++a) {
      if (!((u[a] <= 0 && gradient[a] > 0) || (u[a] >= 1 && gradient[a] < 0))) free.push_back(a);
    }
    if (free.empty()) break;
    bool accepted = false;
    double newCost = cost;
    for (int32_t attempt = 0; attempt < 12 && !accepted; ++attempt) {
      const Eigen::VectorXd step = jacobian.DampedStep(gradient, free, lambda);
      const Eigen::VectorXd trial = (u + step).cwiseMax(0.0).cwiseMin(1.0);
      newCost = search.SSR(PointAt(point, axes, trial, tie));
      if (newCost < cost) {
        accepted = true;
        u = trial;
        r0 = Eigen::Map<const Eigen::VectorXd>(search.Residuals(0).data(), search.Points());
        lambda = std::max(lambda / 3, 1e-12);
      } else {
        lambda *= 4;
      }
    }
    if (!accepted) break;
    const double drop = cost - newCost;
    cost = newCost;
    if (drop <= kSolveTolerance * cost) break;
  }
  point = PointAt(point, axes, u, tie);
  return cost;
}

double SearchShifts(TSearch& search, TPoint& point, double cost) {
  for (const TAxis& axis : ShiftAxes(search.Series())) {
    const auto i = static_cast<size_t>(axis.trace);
    const auto stairOf = [&](int64_t k) {
      return axis.anchor + static_cast<double>(k) * axis.stair;
    };
    const int64_t first = std::llround((axis.lo - axis.anchor) / axis.stair);
    const int64_t last = std::llround((axis.hi - axis.anchor) / axis.stair);
    int64_t best =
        std::clamp<int64_t>(std::llround((point.shift[i] - axis.anchor) / axis.stair), first, last);
    point.shift[i] = stairOf(best);
    cost = search.SSR(point);
    // The stairs of one pass are evaluated together; the first that lowers the error most wins,
    // as when they are tried one after another.
    std::vector<TPoint> trials;
    std::vector<int64_t> stairs;
    std::vector<double> ssr;
    const auto tryStairs = [&](const std::vector<int64_t>& ks) {
      trials.clear();
      stairs.clear();
      for (const int64_t k : ks) {
        if (k < first || k > last || k == best) continue;
        stairs.push_back(k);
        trials.push_back(point);
        trials.back().shift[i] = stairOf(k);
      }
      ssr.resize(trials.size());
      search.Evaluate(trials, ssr);
      for (size_t t = 0; t < trials.size(); ++t) {
        if (ssr[t] < cost) cost = ssr[t], best = stairs[t];
      }
    };
    int64_t stride = std::max<int64_t>(1, (last - first) / kCoarseStairs);
    std::vector<int64_t> coarse;
    for (int64_t k = first; k <= last; k += stride) coarse.push_back(k);
    coarse.push_back(last);
    tryStairs(coarse);
    while (stride > 1) {
      stride = (stride + 1) / 2;
      tryStairs({best - stride, best + stride});
    }
    for (int64_t centre = best - 1; centre != best;) {
      centre = best;
      tryStairs({centre - 1, centre + 1});
    }
    point.shift[i] = stairOf(best);
    cost = search.SSR(point);  // the centre again, for the next shift's trials
  }
  return cost;
}

double SolveFromStart(TSearch& search, const std::vector<TAxis>& rateAxes, TPoint& point) {
  std::vector<TAxis> axes = rateAxes;
  for (const TAxis& axis : ShiftAxes(search.Series())) axes.push_back(axis);
  if (axes.size() == rateAxes.size()) return Solve(search, rateAxes, point);
  // The shifts placed for the start's rates first: rates solved against shifts far off drift
  // into a valley of their own.
  double cost = SearchShifts(search, point, search.SSR(point));
  for (int32_t round = 0; round < kRounds; ++round) {
    const double before = cost;
    cost = Solve(search, axes, point);
    cost = SearchShifts(search, point, cost);
    if (!(cost < before * (1 - kRoundTolerance))) break;
  }
  return cost;
}

}  // namespace actinfit::series
