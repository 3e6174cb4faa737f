#include "core/series_uncertainty.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>

#include "core/errors.h"
#include "core/fit_statistics.h"
#include "core/profile_engine.h"
#include "core/series_jacobian.h"

namespace actinfit::series {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The unit steps down and up of each axis at the point, inside the bounds: a rate's the same
// both ways, a time shift's secant as far as it can go on each side.
void CentralSteps(const TAxis& axis, double u, double& down, double& up) {
  down = std::min(axis.step, u);
  up = std::min(axis.step, 1 - u);
  if (axis.stair == 0) down = up = std::min(down, up);
}

}  // namespace

void FillStdErrors(TSearch& search, const std::vector<TAxis>& rateAxes, TSeriesFit& fit) {
  fit.RateStdError.fill(kNaN);
  std::vector<TAxis> axes;
  for (const TAxis& axis : rateAxes) {
    const double v = fit.Rate[static_cast<size_t>(axis.rate)];
    if (v > axis.lo && v < axis.hi) axes.push_back(axis);
  }
  const size_t rates = axes.size();
  if (rates == 0) return;
  for (const TAxis& axis : ShiftAxes(search.Series())) axes.push_back(axis);
  const int32_t n = search.Points();
  if (n <= fit.Parameters) return;

  const TPoint at{fit.Rate, fit.TShift};
  // The best point made the centre: a trial that moves one time shift then simulates one trace.
  if (!std::isfinite(search.SSR(at))) return;
  std::vector<TPoint> trials;
  std::vector<double> span;
  for (const TAxis& axis : axes) {
    const double u = axis.Unit(axis.At(at));
    double down, up;
    CentralSteps(axis, u, down, up);
    for (const double to : {u - down, u + up}) {
      trials.push_back(at);
      axis.Set(trials.back(), axis.Value(to));
    }
    span.push_back(axis.Unit(axis.Value(u + up)) - axis.Unit(axis.Value(u - down)));
  }
  std::vector<double> ssr(trials.size());
  search.Evaluate(trials, ssr);
  if (!std::all_of(ssr.begin(), ssr.end(), [](double v) { return std::isfinite(v); })) return;
  TJacobian jacobian(search, axes);
  for (size_t a = 0; a < axes.size(); ++a) {
    jacobian.SetColumn(a, span[a] > 0 ? Eigen::VectorXd((jacobian.Residuals(search, 2 * a + 1, a) -
                                                         jacobian.Residuals(search, 2 * a, a)) /
                                                        span[a])
                                      : Eigen::VectorXd::Zero(jacobian.Size(a)));
  }
  // The covariance from the singular values of the Jacobian itself: its normal matrix would
  // square a condition number that the trade-offs between rates make large. The time shifts of
  // traces that stand apart are projected out first; their columns are their traces' alone.
  const Eigen::MatrixXd dense = jacobian.DenseWithoutTraceColumns();
  if (dense.size() == 0) return;
  const Eigen::JacobiSVD<Eigen::MatrixXd> svd(dense, Eigen::ComputeThinV);
  const Eigen::VectorXd& sigma = svd.singularValues();
  if (sigma.size() == 0 || !(sigma[sigma.size() - 1] > sigma[0] * 1e-14)) return;
  const Eigen::MatrixXd scaled = svd.matrixV() * sigma.cwiseInverse().asDiagonal();
  const double s2 = fit.Error * n / (n - fit.Parameters);
  for (size_t a = 0; a < rates; ++a) {
    const auto i = static_cast<Eigen::Index>(a);
    const double slope = axes[a].Slope(axes[a].Unit(fit.Rate[static_cast<size_t>(axes[a].rate)]));
    const double variance = s2 * scaled.row(i).squaredNorm() * slope * slope;
    if (variance >= 0) fit.RateStdError[static_cast<size_t>(axes[a].rate)] = std::sqrt(variance);
  }
}

namespace {

// The profiles' objective: the least SSR with one rate or combination held, the other marked
// rates and the marked time shifts solved again. Its state is the three rates, then the shifts.
class TObjective final : public profile::TProfileObjective {
 public:
  TObjective(TSearch& search, const std::vector<TAxis>& axes, int32_t parameters, double level)
      : search_(search), axes_(axes), shiftAxes_(ShiftAxes(search.Series())), level_(level) {
    SetBest(search.BestPoint(), search.BestSSR(), parameters);
  }

  double BestSSR() const override { return bestSSR_; }
  const profile::TState& BestState() const override { return bestState_; }
  double Threshold() const override { return threshold_; }
  double Value(int32_t quantity, const profile::TState& state) const override {
    if (quantity == kProfileKnucKon) return state[0] * state[1];
    if (quantity == kProfileKoffKon) return state[2] / state[1];
    return state[static_cast<size_t>(quantity - Knuc)];
  }

  // From the neighbour's solution and from the best point moved along what the data determine
  // (Knuc x Kon and Koff / Kon kept): the profile may run through several valleys, and a
  // solve from the neighbour alone stays in the valley it came from, or ends on a bound far
  // from the next one. The time shifts move with the rates, then over their stairs.
  profile::THeldSolve SolveHeld(int32_t quantity, double value,
                                const profile::TState& warm) override {
    profile::THeldSolve best{kInf, {}, nullptr};
    const profile::TState along = AlongCombinations(quantity, value);
    for (const profile::TState* from : std::array<const profile::TState*, 2>{&warm, &along}) {
      TPoint point = PointOf(*from);
      std::optional<TRateTie> tie;
      std::vector<TAxis> axes = HeldAxes(quantity, value, point.rate, tie);
      const bool rates = !axes.empty();
      axes.insert(axes.end(), shiftAxes_.begin(), shiftAxes_.end());
      try {
        double ssr = axes.empty() ? search_.SSR(point) : Solve(search_, axes, point, tie);
        if (!shiftAxes_.empty()) ssr = SearchShifts(search_, point, ssr);
        if (ssr < best.ssr) best = {ssr, StateOf(point), nullptr};
      } catch (const Error&) {
        if (!best.failure && !(best.ssr < kInf)) best.failure = std::current_exception();
        continue;
      }
      if (!rates) break;
    }
    if (best.ssr < kInf) {
      best.failure = nullptr;
    } else if (!best.failure && search_.Failures().LastError) {
      // A held value at which no point could be evaluated ends the walk there, as an error would.
      best.failure = search_.Failures().LastError;
    }
    return best;
  }

  bool LowerPointFound() const override { return search_.BestSSR() < bestSSR_ * (1 - 1e-6); }

  void MoveToLowerPoint() override {
    TPoint point = search_.BestPoint();
    try {
      Solve(search_, axes_, point);
    } catch (const Error&) {
    }
    SetBest(search_.BestPoint(), search_.BestSSR(), parameters_);
  }

  bool Stopped(int32_t, int32_t) override {
    try {
      search_.Report();
    } catch (const TStop&) {
      stopped_ = true;
    }
    return stopped_;
  }

 private:
  static profile::TState StateOf(const TPoint& point) {
    profile::TState state(point.rate.begin(), point.rate.end());
    state.insert(state.end(), point.shift.begin(), point.shift.end());
    return state;
  }
  static TPoint PointOf(const profile::TState& state) {
    return {{state[0], state[1], state[2]}, std::vector<double>(state.begin() + 3, state.end())};
  }

  void SetBest(const TPoint& point, double ssr, int32_t parameters) {
    bestState_ = StateOf(point);
    bestSSR_ = ssr;
    parameters_ = parameters;
    const double dof = search_.Points() - parameters;
    threshold_ = dof >= 1 ? ssr * (1 + FQuantileOne(level_, dof) / dof) : kInf;
  }

  std::vector<TAxis> HeldAxes(int32_t quantity, double value, std::array<double, 3>& rate,
                              std::optional<TRateTie>& tie) const;
  profile::TState AlongCombinations(int32_t quantity, double value) const;

  TSearch& search_;
  std::vector<TAxis> axes_;
  std::vector<TAxis> shiftAxes_;
  double level_;
  profile::TState bestState_;
  double bestSSR_ = kInf, threshold_ = kInf;
  int32_t parameters_ = 0;
  bool stopped_ = false;
};

// The axes of a held solve: every marked rate but the held one; for a combination, Kon within
// the range that keeps the dependent rate inside its bounds, the dependent rate tied to it.
std::vector<TAxis> TObjective::HeldAxes(int32_t quantity, double value, std::array<double, 3>& rate,
                                        std::optional<TRateTie>& tie) const {
  std::vector<TAxis> axes;
  if (quantity < kProfileKnucKon) {
    const int32_t held = quantity - Knuc;
    rate[static_cast<size_t>(held)] = value;
    for (const TAxis& axis : axes_) {
      if (axis.rate != held) axes.push_back(axis);
    }
    return axes;
  }
  const bool product = quantity == kProfileKnucKon;
  const int32_t dependent = product ? 0 : 2;
  const TAxis* kon = nullptr;
  const TAxis* dep = nullptr;
  for (const TAxis& axis : axes_) {
    if (axis.rate == 1) kon = &axis;
    if (axis.rate == dependent) dep = &axis;
  }
  double lo = kon->lo, hi = kon->hi;
  if (product) {
    if (dep->hi > 0) lo = std::max(lo, value / dep->hi);
    if (dep->lo > 0) hi = std::min(hi, value / dep->lo);
  } else if (value > 0) {
    lo = std::max(lo, dep->lo / value);
    hi = std::min(hi, dep->hi / value);
  }
  hi = std::max(lo, hi);
  tie = TRateTie{dependent, value, dep->lo, dep->hi};
  rate[1] = std::clamp(rate[1], lo, hi);
  for (const TAxis& axis : axes_) {
    if (axis.rate == dependent) continue;
    if (axis.rate != 1) {
      axes.push_back(axis);
    } else if (lo < hi) {
      TAxis narrowed = NarrowedRate(axis, lo, hi);
      narrowed.log = axis.log && lo > 0;
      axes.push_back(narrowed);
    }
  }
  tie->Apply(rate);
  return axes;
}

// The best point's rates with the held rate at `value` and the free rates moved so that
// Knuc x Kon and Koff / Kon keep their best values (inside the bounds).
profile::TState TObjective::AlongCombinations(int32_t quantity, double value) const {
  std::array<double, 3> rate = {bestState_[0], bestState_[1], bestState_[2]};
  const double product = rate[0] * rate[1], ratio = rate[2] / rate[1];
  if (quantity >= kProfileKnucKon || !(product > 0) || !(ratio > 0) || !std::isfinite(product) ||
      !std::isfinite(ratio)) {
    return bestState_;
  }
  const int32_t held = quantity - Knuc;
  rate[static_cast<size_t>(held)] = value;
  const auto freeRate = [&](int32_t r) {
    return r != held && std::any_of(axes_.begin(), axes_.end(),
                                    [r](const TAxis& axis) { return axis.rate == r; });
  };
  if (freeRate(1)) rate[1] = held == 0 ? product / value : value / ratio;
  if (freeRate(0)) rate[0] = product / rate[1];
  if (freeRate(2)) rate[2] = ratio * rate[1];
  for (const TAxis& axis : axes_) {
    double& r = rate[static_cast<size_t>(axis.rate)];
    r = std::clamp(r, axis.lo, axis.hi);
  }
  profile::TState along = bestState_;
  std::copy(rate.begin(), rate.end(), along.begin());
  return along;
}

}  // namespace

bool FillIntervals(TSearch& search, const std::vector<TAxis>& rateAxes, TSeriesFit& fit) {
  const TSeries& series = search.Series();
  std::vector<profile::TQuantity> quantities;
  const auto marked = [&](int32_t r) {
    return series.FitRate[r] && series.RateMin[r] < series.RateMax[r];
  };
  for (int32_t r = 0; r < 3; ++r) {
    if (marked(r)) quantities.push_back({Knuc + r, series.RateMin[r], series.RateMax[r], true});
  }
  if (marked(0) && marked(1)) {
    quantities.push_back({kProfileKnucKon, series.RateMin[0] * series.RateMin[1],
                          series.RateMax[0] * series.RateMax[1], true});
  }
  if (marked(1) && marked(2) && series.RateMin[1] > 0) {
    quantities.push_back({kProfileKoffKon, series.RateMin[2] / series.RateMax[1],
                          series.RateMax[2] / series.RateMin[1], true});
  }
  std::vector<TAxis> free;
  for (const TAxis& axis : rateAxes) {
    if (axis.lo < axis.hi) free.push_back(axis);
  }
  search.stopInEvaluations = false;
  TObjective objective(search, free, fit.Parameters, 0.95);
  const profile::TProfilesOutcome outcome = profile::RunProfiles(objective, quantities);
  search.stopInEvaluations = true;
  for (size_t q = 0; q < quantities.size(); ++q) {
    const int32_t id = quantities[q].id;
    const std::optional<TInterval>& interval = outcome.profiles[q].interval;
    fit.IntervalShape[static_cast<size_t>(id - Knuc)] = outcome.profiles[q].shape;
    if (id == kProfileKnucKon) {
      fit.KnucKon = interval;
    } else if (id == kProfileKoffKon) {
      fit.KoffKon = interval;
    } else {
      fit.RateInterval[static_cast<size_t>(id - Knuc)] = interval;
    }
  }
  return !outcome.stopped;
}

}  // namespace actinfit::series
