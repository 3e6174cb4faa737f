#include "core/series_fit.h"

#include <Eigen/Dense>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>

#include "core/errors.h"
#include "core/fit_statistics.h"
#include "core/model.h"
#include "core/numtext.h"
#include "core/profile_engine.h"
#include "core/refine.h"
#include "core/refine_local.h"

namespace actinfit {
namespace {

constexpr const char* kRateNames[3] = {"Knuc", "Kon", "Koff"};
constexpr int32_t kRateParam[3] = {Knuc, Kon, Koff};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Starts besides the given rates: Halton points over the refined rates' unit cube.
constexpr int32_t kSpreadStarts = 8;
// Difference step of the Jacobian on the unit interval (as the refinement's).
constexpr double kUnitStep = 1e-5;
constexpr int32_t kSolveIterations = 100;
constexpr double kSolveTolerance = 1e-12;
// Rounds of rates' solve and time-shift search before a start is taken as settled.
constexpr int32_t kRounds = 8;
// The coarse pass of a time-shift search looks at about this many stairs across the bounds.
constexpr int32_t kCoarseStairs = 40;
// Starts whose error lies this close to the best count as reaching it.
constexpr double kSameError = 1e-6;

std::string TraceName(const TSeries& series, size_t i) {
  const double g = series.Traces[i].GActin;
  std::string name = "Trace " + std::to_string(i + 1);
  if (std::isfinite(g)) name += " (" + FormatReal(g, FloatStyle::General, 15, 0) + " uM)";
  return name;
}

// Rethrows the error in flight with the trace's name in front, of the same kind.
[[noreturn]] void RethrowNamingTrace(const std::string& trace) {
  try {
    throw;
  } catch (const EMathError& e) {
    throw EMathError(trace + ": " + e.what(), e.notice());
  } catch (const EInvalidInput& e) {
    throw EInvalidInput(trace + ": " + e.what());
  } catch (const Error& e) {
    throw Error(trace + ": " + e.what());
  }
}

// One refined rate on the unit interval, linear or logarithmic as the refinement's axes are.
struct TRateAxis {
  int32_t rate;
  bool log;
  double lo, hi;

  double Value(double u) const {
    const double v =
        log ? std::exp(std::log(lo) + u * (std::log(hi) - std::log(lo))) : lo + u * (hi - lo);
    return std::clamp(v, lo, hi);
  }
  double Unit(double value) const {
    const double v = std::clamp(value, lo, hi);
    if (hi == lo) return 0;
    const double u =
        log ? (std::log(v) - std::log(lo)) / (std::log(hi) - std::log(lo)) : (v - lo) / (hi - lo);
    return std::clamp(u, 0.0, 1.0);
  }
  double Slope(double u) const { return log ? Value(u) * (std::log(hi) - std::log(lo)) : hi - lo; }
};

int32_t LinearParameters(const TSeries& series) {
  const auto m = static_cast<int32_t>(series.Traces.size());
  return series.Scaling == TScaling::AmplitudePerTrace ? 2 * m : m + 1;
}

void CheckSeries(const TSeries& series) {
  if (series.Traces.empty()) throw EInvalidInput("The series has no trace");
  int32_t marked = 0;
  for (int32_t r = 0; r < 3; ++r) {
    if (!series.FitRate[r]) continue;
    ++marked;
    if (!(series.RateMin[r] <= series.RateMax[r])) {
      throw EInvalidInput(std::string("The bounds of ") + kRateNames[r] +
                          " are crossed: its minimum is above its maximum");
    }
  }
  if (marked == 0) throw EInvalidInput("No rate is marked for fitting");
  const int32_t linearPerTrace = series.Scaling == TScaling::AmplitudePerTrace ? 2 : 1;
  for (size_t i = 0; i < series.Traces.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    const std::string name = TraceName(series, i);
    if (!(trace.GActin > 0)) {
      throw EInvalidInput(name + ": the G-actin concentration must be a number above zero");
    }
    if (trace.Time.size() != trace.Data.size()) {
      throw EInvalidInput(name + ": " + std::to_string(trace.Time.size()) + " times but " +
                          std::to_string(trace.Data.size()) + " readings");
    }
    if (trace.FitTShift && !(trace.TShiftMin <= trace.TShiftMax)) {
      throw EInvalidInput(name + ": the bounds of TShift are crossed");
    }
    const auto refined = static_cast<size_t>(marked + (trace.FitTShift ? 1 : 0) + linearPerTrace);
    if (trace.Time.size() < refined + 1) {
      throw EInvalidInput(name + ": too few points (" + std::to_string(trace.Time.size()) +
                          "; its " + std::to_string(refined) + " refined parameters need " +
                          std::to_string(refined + 1) + ")");
    }
  }
}

// The linear parameters and the residuals of one set of curves.
struct TProjection {
  std::vector<double> background, amplitude, traceSSR;
  double brightness = kNaN;
  double ssr = 0;
};

class TStop {};

// The search state: one record per trace, its curve cached for the rates and shift it was
// simulated with, the best point met so far.
class TSeriesSearch {
 public:
  TSeriesSearch(const TSeries& series, const SeriesReport& report)
      : series_(series), report_(report), lastReport_(std::chrono::steady_clock::now()) {
    const size_t m = series.Traces.size();
    for (size_t i = 0; i < m; ++i) {
      const TSeriesTrace& trace = series.Traces[i];
      TModel record(static_cast<int32_t>(trace.Time.size()));
      record.Time = trace.Time;
      record.Data = trace.Data;
      record.Init = {trace.GActin, 0, 0};
      record.Dt = series.Dt;
      records_.push_back(std::move(record));
      points_ += static_cast<int32_t>(trace.Time.size());
    }
    curves_.resize(m);
    simulated_.assign(m, false);
    simulatedRate_.resize(m);
    simulatedShift_.assign(m, kNaN);
    residual_.resize(static_cast<size_t>(points_));
  }

  int32_t Points() const { return points_; }
  const std::vector<double>& Residual() const { return residual_; }

  // SSR of the rates and shifts; residuals in Residual(). Keeps the best point.
  double SSR(const std::array<double, 3>& rate, const std::vector<double>& shift) {
    for (size_t i = 0; i < records_.size(); ++i) Simulate(i, rate, shift[i]);
    TProjection projection = Project();
    ++evaluations_;
    const double ssr = projection.ssr;
    if (ssr < bestSSR_) {
      bestSSR_ = ssr;
      bestRate_ = rate;
      bestShift_ = shift;
      bestProjection_ = std::move(projection);
    }
    Tick();
    return ssr;
  }

  // Whether evaluations report (the profiles report between their solves instead).
  bool tickInEvaluations = true;

  void Tick() {
    if (!tickInEvaluations) return;
    Report();
  }

  // Reports if the interval is up; TStop when the caller asks to stop.
  void Report() {
    if (!report_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReport_ < std::chrono::milliseconds(kRefineReportMilliseconds)) return;
    lastReport_ = now;
    if (!report_({bestSSR_ / points_, startsDone, starts})) throw TStop();
  }

  bool HasBest() const { return bestSSR_ < kInf; }
  double BestSSR() const { return bestSSR_; }
  const std::array<double, 3>& BestRate() const { return bestRate_; }
  const std::vector<double>& BestShift() const { return bestShift_; }
  const TProjection& BestProjection() const { return bestProjection_; }

  int32_t startsDone = 0, starts = 0;

 private:
  void Simulate(size_t i, const std::array<double, 3>& rate, double shift) {
    if (simulated_[i] && simulatedRate_[i] == rate && simulatedShift_[i] == shift) return;
    simulated_[i] = false;
    TModel& record = records_[i];
    for (int32_t r = 0; r < 3; ++r) record.Param[kRateParam[r]] = rate[r];
    record.Param[TShift] = shift;
    try {
      const double largest = SimulatePolymer(record);
      if (series_.Scaling == TScaling::AmplitudePerTrace && !(largest > 0)) throw EInvalidOp();
      curves_[i] = record.Fitted;
      if (series_.Scaling == TScaling::AmplitudePerTrace) {
        for (double& x : curves_[i]) x /= largest;
      }
    } catch (const Error&) {
      RethrowNamingTrace(TraceName(series_, i));
    }
    simulated_[i] = true;
    simulatedRate_[i] = rate;
    simulatedShift_[i] = shift;
  }

  TProjection Project();

  const TSeries& series_;
  SeriesReport report_;
  std::chrono::steady_clock::time_point lastReport_;
  std::vector<TModel> records_;
  std::vector<std::vector<double>> curves_;  // x_ij: F or F / max F
  std::vector<bool> simulated_;
  std::vector<std::array<double, 3>> simulatedRate_;
  std::vector<double> simulatedShift_;
  std::vector<double> residual_;
  int32_t points_ = 0;
  int32_t evaluations_ = 0;
  double bestSSR_ = kInf;
  std::array<double, 3> bestRate_{};
  std::vector<double> bestShift_;
  TProjection bestProjection_;
};

// Per trace the means and the centred sums of the curve and the readings; then the exact
// least-squares backgrounds and amplitudes (or brightness), and the residuals they leave.
TProjection TSeriesSearch::Project() {
  const size_t m = records_.size();
  TProjection p;
  p.background.resize(m);
  p.amplitude.resize(m, kNaN);
  p.traceSSR.resize(m);
  std::vector<double> xMean(m), yMean(m), sxx(m), sxy(m);
  for (size_t i = 0; i < m; ++i) {
    const std::vector<double>& x = curves_[i];
    const std::vector<double>& y = series_.Traces[i].Data;
    const auto n = static_cast<double>(x.size());
    double sx = 0, sy = 0;
    for (size_t j = 0; j < x.size(); ++j) sx += x[j], sy += y[j];
    xMean[i] = sx / n;
    yMean[i] = sy / n;
    for (size_t j = 0; j < x.size(); ++j) {
      const double dx = x[j] - xMean[i];
      sxx[i] += dx * dx;
      sxy[i] += dx * (y[j] - yMean[i]);
    }
  }
  if (series_.Scaling == TScaling::SharedBrightness) {
    double num = 0, den = 0;
    for (size_t i = 0; i < m; ++i) num += sxy[i], den += sxx[i];
    p.brightness = den > 0 ? num / den : 0;
  }
  size_t at = 0;
  for (size_t i = 0; i < m; ++i) {
    const double a = series_.Scaling == TScaling::SharedBrightness ? p.brightness
                     : sxx[i] > 0                                  ? sxy[i] / sxx[i]
                                                                   : 0;
    if (series_.Scaling == TScaling::AmplitudePerTrace) p.amplitude[i] = a;
    p.background[i] = yMean[i] - a * xMean[i];
    const std::vector<double>& x = curves_[i];
    const std::vector<double>& y = series_.Traces[i].Data;
    double ssr = 0;
    for (size_t j = 0; j < x.size(); ++j, ++at) {
      residual_[at] = p.background[i] + a * x[j] - y[j];
      ssr += residual_[at] * residual_[at];
    }
    if (!std::isfinite(ssr)) {
      try {
        throw EOverflow();
      } catch (const Error&) {
        RethrowNamingTrace(TraceName(series_, i));
      }
    }
    p.traceSSR[i] = ssr;
    p.ssr += ssr;
  }
  return p;
}

// A combination of rates held in a profile: `dependent` (Knuc or Koff) follows Kon so that
// Knuc x Kon or Koff / Kon keeps `value`.
struct TRateTie {
  int32_t dependent;
  double value;
  double lo, hi;  // the dependent rate's bounds

  void Apply(std::array<double, 3>& rate) const {
    const double v = dependent == 0 ? value / rate[1] : value * rate[1];
    rate[static_cast<size_t>(dependent)] = std::clamp(v, lo, hi);
  }
};

std::array<double, 3> RatesAt(const std::array<double, 3>& base, const std::vector<TRateAxis>& axes,
                              const Eigen::VectorXd& u, const std::optional<TRateTie>& tie) {
  std::array<double, 3> rate = base;
  for (size_t a = 0; a < axes.size(); ++a) rate[axes[a].rate] = axes[a].Value(u[a]);
  if (tie) tie->Apply(rate);
  return rate;
}

// The Jacobian of the residuals on the unit axes, by forward differences (backward at 1).
Eigen::MatrixXd UnitJacobian(TSeriesSearch& search, const std::vector<TRateAxis>& axes,
                             const std::array<double, 3>& base, const Eigen::VectorXd& u,
                             const std::vector<double>& shift, const Eigen::VectorXd& r0,
                             const std::optional<TRateTie>& tie) {
  Eigen::MatrixXd jacobian(r0.size(), static_cast<Eigen::Index>(axes.size()));
  for (size_t a = 0; a < axes.size(); ++a) {
    Eigen::VectorXd moved = u;
    const double h = u[a] + kUnitStep <= 1 ? kUnitStep : -kUnitStep;
    moved[a] += h;
    search.SSR(RatesAt(base, axes, moved, tie), shift);
    const Eigen::Map<const Eigen::VectorXd> r(search.Residual().data(), r0.size());
    jacobian.col(static_cast<Eigen::Index>(a)) = (r - r0) / h;
  }
  return jacobian;
}

// Bounded Levenberg-Marquardt over the rates' unit axes, the shifts held. Returns the SSR.
double SolveRates(TSeriesSearch& search, const std::vector<TRateAxis>& axes,
                  std::array<double, 3>& rate, const std::vector<double>& shift,
                  const std::optional<TRateTie>& tie = std::nullopt) {
  const auto q = static_cast<Eigen::Index>(axes.size());
  Eigen::VectorXd u(q);
  for (Eigen::Index a = 0; a < q; ++a)
    u[a] = axes[static_cast<size_t>(a)].Unit(rate[axes[static_cast<size_t>(a)].rate]);
  double cost = search.SSR(RatesAt(rate, axes, u, tie), shift);
  Eigen::VectorXd r0 = Eigen::Map<const Eigen::VectorXd>(search.Residual().data(), search.Points());
  double lambda = 1e-3;
  for (int32_t iteration = 0; iteration < kSolveIterations; ++iteration) {
    const Eigen::MatrixXd jacobian = UnitJacobian(search, axes, rate, u, shift, r0, tie);
    const Eigen::MatrixXd normal = jacobian.transpose() * jacobian;
    const Eigen::VectorXd gradient = jacobian.transpose() * r0;
    bool accepted = false;
    double newCost = cost;
    for (int32_t attempt = 0; attempt < 12 && !accepted; ++attempt) {
      Eigen::MatrixXd damped = normal;
      for (Eigen::Index a = 0; a < q; ++a) damped(a, a) += lambda * (normal(a, a) + 1e-12);
      const Eigen::VectorXd step = damped.ldlt().solve(-gradient);
      const Eigen::VectorXd trial = (u + step).cwiseMax(0.0).cwiseMin(1.0);
      newCost = search.SSR(RatesAt(rate, axes, trial, tie), shift);
      if (newCost < cost) {
        accepted = true;
        u = trial;
        r0 = Eigen::Map<const Eigen::VectorXd>(search.Residual().data(), search.Points());
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
  rate = RatesAt(rate, axes, u, tie);
  return cost;
}

// Each marked shift in turn, the others and the rates held: a coarse pass over its stairs
// (anchored at its given value), then halving strides down to one stair around the best.
double SearchShifts(TSeriesSearch& search, const TSeries& series, const std::array<double, 3>& rate,
                    std::vector<double>& shift, double cost) {
  for (size_t i = 0; i < shift.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    if (!trace.FitTShift) continue;
    const double anchor = trace.TShift, dt = series.Dt;
    const auto first = static_cast<int64_t>(std::ceil((trace.TShiftMin - anchor) / dt));
    const auto last = static_cast<int64_t>(std::floor((trace.TShiftMax - anchor) / dt));
    if (last < first) continue;
    const auto stairOf = [&](int64_t k) { return anchor + static_cast<double>(k) * dt; };
    auto best = static_cast<int64_t>(std::llround((shift[i] - anchor) / dt));
    best = std::clamp(best, first, last);
    const auto tryStair = [&](int64_t k) {
      if (k < first || k > last || k == best) return;
      std::vector<double> trial = shift;
      trial[i] = stairOf(k);
      const double c = search.SSR(rate, trial);
      if (c < cost) cost = c, best = k;
    };
    shift[i] = stairOf(best);
    cost = search.SSR(rate, shift);
    int64_t stride = std::max<int64_t>(1, (last - first) / kCoarseStairs);
    for (int64_t k = first; k <= last; k += stride) tryStair(k);
    tryStair(last);
    while (stride > 1) {
      stride = (stride + 1) / 2;
      const int64_t centre = best;
      tryStair(centre - stride);
      tryStair(centre + stride);
    }
    for (bool moved = true; moved;) {
      const int64_t centre = best;
      tryStair(centre - 1);
      tryStair(centre + 1);
      moved = best != centre;
    }
    shift[i] = stairOf(best);
  }
  return cost;
}

// One start: the rates' solve and the shifts' search in turn until neither moves.
double RunStart(TSeriesSearch& search, const TSeries& series, const std::vector<TRateAxis>& axes,
                std::array<double, 3> rate, std::vector<double> shift) {
  const bool shifts = std::any_of(series.Traces.begin(), series.Traces.end(),
                                  [](const TSeriesTrace& t) { return t.FitTShift; });
  double cost = kInf;
  for (int32_t round = 0; round < kRounds; ++round) {
    cost = SolveRates(search, axes, rate, shift);
    if (!shifts) break;
    const std::vector<double> before = shift;
    cost = SearchShifts(search, series, rate, shift, cost);
    if (shift == before) break;
  }
  return cost;
}

// The shifts and the rates trade against each other (a later start looks like faster rates),
// which the alternation follows only slowly: from the best start, each marked shift steps one
// stair at a time with the rates solved again at every stair, while that lowers the error.
double DescendStairsJointly(TSeriesSearch& search, const TSeries& series,
                            const std::vector<TRateAxis>& axes, std::array<double, 3>& rate,
                            std::vector<double>& shift, double cost) {
  for (bool moved = true; moved;) {
    moved = false;
    for (size_t i = 0; i < shift.size(); ++i) {
      const TSeriesTrace& trace = series.Traces[i];
      if (!trace.FitTShift) continue;
      for (const int32_t direction : {-1, 1}) {
        while (true) {
          std::vector<double> trial = shift;
          trial[i] = shift[i] + direction * series.Dt;
          if (trial[i] < trace.TShiftMin || trial[i] > trace.TShiftMax) break;
          std::array<double, 3> trialRate = rate;
          const double c = SolveRates(search, axes, trialRate, trial);
          if (!(c < cost)) break;
          cost = c, rate = trialRate, shift = trial, moved = true;
        }
      }
    }
  }
  return cost;
}

std::vector<TRateAxis> RateAxes(const TSeries& series) {
  std::vector<TRateAxis> axes;
  for (int32_t r = 0; r < 3; ++r) {
    if (!series.FitRate[r]) continue;
    const double lo = series.RateMin[r], hi = series.RateMax[r];
    axes.push_back({r, lo > 0 && hi >= kLogScaleRatio * lo, lo, hi});
  }
  return axes;
}

// Standard errors of the refined rates inside their bounds, from the covariance of the
// residuals' Jacobian (central differences) at the best point, as the refinement gives them.
void FillStdErrors(TSeriesSearch& search, const std::vector<TRateAxis>& all, TSeriesFit& fit,
                   int32_t parameters) {
  fit.RateStdError.fill(kNaN);
  std::vector<TRateAxis> axes;
  for (const TRateAxis& axis : all) {
    const double v = fit.Rate[axis.rate];
    if (v > axis.lo && v < axis.hi) axes.push_back(axis);
  }
  const int32_t n = search.Points();
  if (axes.empty() || n <= parameters) return;
  const std::vector<double> shift = fit.TShift;
  Eigen::MatrixXd jacobian(n, static_cast<Eigen::Index>(axes.size()));
  for (size_t a = 0; a < axes.size(); ++a) {
    const double u = axes[a].Unit(fit.Rate[axes[a].rate]);
    const double h = std::min({kUnitStep, u, 1 - u});
    std::array<double, 3> rate = fit.Rate;
    rate[axes[a].rate] = axes[a].Value(u + h);
    search.SSR(rate, shift);
    const Eigen::VectorXd up = Eigen::Map<const Eigen::VectorXd>(search.Residual().data(), n);
    rate[axes[a].rate] = axes[a].Value(u - h);
    search.SSR(rate, shift);
    const Eigen::Map<const Eigen::VectorXd> down(search.Residual().data(), n);
    jacobian.col(static_cast<Eigen::Index>(a)) = (up - down) / (2 * h);
  }
  // On the unit axes the columns are of one scale; the rates' own units come in afterwards.
  const Eigen::MatrixXd normal = jacobian.transpose() * jacobian;
  Eigen::FullPivLU<Eigen::MatrixXd> lu(normal);
  if (!lu.isInvertible()) return;
  const Eigen::MatrixXd unscaled = lu.inverse();
  const double s2 = fit.Error * n / (n - parameters);
  for (size_t a = 0; a < axes.size(); ++a) {
    const auto i = static_cast<Eigen::Index>(a);
    const double slope = axes[a].Slope(axes[a].Unit(fit.Rate[axes[a].rate]));
    const double variance = s2 * unscaled(i, i) * slope * slope;
    if (variance >= 0) fit.RateStdError[axes[a].rate] = std::sqrt(variance);
  }
}

// The profiles' objective: the least SSR with one rate or combination held, the other marked
// rates solved again, the time shifts on the best point's stairs. Its state is the three rates.
class TSeriesObjective final : public profile::TProfileObjective {
 public:
  TSeriesObjective(TSeriesSearch& search, const std::vector<TRateAxis>& axes,
                   std::vector<double> shift, int32_t parameters, double level)
      : search_(search), axes_(axes), shift_(std::move(shift)), level_(level) {
    SetBest(search.BestRate(), search.BestSSR(), parameters);
  }

  double BestSSR() const override { return bestSSR_; }
  const profile::TState& BestState() const override { return bestState_; }
  double Threshold() const override { return threshold_; }
  double Value(int32_t quantity, const profile::TState& state) const override {
    if (quantity == kProfileKnucKon) return state[0] * state[1];
    if (quantity == kProfileKoffKon) return state[2] / state[1];
    return state[static_cast<size_t>(quantity - Knuc)];
  }

  profile::THeldSolve SolveHeld(int32_t quantity, double value,
                                const profile::TState& warm) override {
    std::array<double, 3> rate = {warm[0], warm[1], warm[2]};
    std::optional<TRateTie> tie;
    const std::vector<TRateAxis> axes = HeldAxes(quantity, value, rate, tie);
    try {
      const double ssr =
          axes.empty() ? search_.SSR(rate, shift_) : SolveRates(search_, axes, rate, shift_, tie);
      return {ssr, profile::TState(rate.begin(), rate.end()), nullptr};
    } catch (const Error&) {
      return {kInf, {}, std::current_exception()};
    }
  }

  bool LowerPointFound() const override { return search_.BestSSR() < bestSSR_ * (1 - 1e-6); }

  void MoveToLowerPoint() override {
    std::array<double, 3> rate = search_.BestRate();
    try {
      SolveRates(search_, axes_, rate, shift_);
    } catch (const Error&) {
    }
    SetBest(search_.BestRate(), search_.BestSSR(), parameters_);
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
  void SetBest(const std::array<double, 3>& rate, double ssr, int32_t parameters) {
    bestState_.assign(rate.begin(), rate.end());
    bestSSR_ = ssr;
    parameters_ = parameters;
    const double dof = search_.Points() - parameters;
    threshold_ = dof >= 1 ? ssr * (1 + FQuantileOne(level_, dof) / dof) : kInf;
  }

  // The axes of a held solve: every marked rate but the held one; for a combination, Kon within
  // the range that keeps the dependent rate inside its bounds, the dependent rate tied to it.
  std::vector<TRateAxis> HeldAxes(int32_t quantity, double value, std::array<double, 3>& rate,
                                  std::optional<TRateTie>& tie) const {
    std::vector<TRateAxis> axes;
    if (quantity < kProfileKnucKon) {
      const int32_t held = quantity - Knuc;
      rate[static_cast<size_t>(held)] = value;
      for (const TRateAxis& axis : axes_) {
        if (axis.rate != held) axes.push_back(axis);
      }
      return axes;
    }
    const bool product = quantity == kProfileKnucKon;
    const int32_t dependent = product ? 0 : 2;
    const TRateAxis* kon = nullptr;
    const TRateAxis* dep = nullptr;
    for (const TRateAxis& axis : axes_) {
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
    for (const TRateAxis& axis : axes_) {
      if (axis.rate == dependent) continue;
      if (axis.rate != 1) {
        axes.push_back(axis);
      } else if (lo < hi) {
        axes.push_back({1, axis.log && lo > 0, lo, hi});
      }
    }
    tie->Apply(rate);
    return axes;
  }

  TSeriesSearch& search_;
  std::vector<TRateAxis> axes_;
  std::vector<double> shift_;
  double level_;
  profile::TState bestState_;
  double bestSSR_ = kInf, threshold_ = kInf;
  int32_t parameters_ = 0;
  bool stopped_ = false;
};

// The 95 % profile intervals of each marked rate, Knuc x Kon and Koff / Kon, as the
// single-trace profiles define them. Returns false when they were stopped.
bool FillIntervals(TSeriesSearch& search, const TSeries& series, const std::vector<TRateAxis>& axes,
                   TSeriesFit& fit) {
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
  std::vector<TRateAxis> free;
  for (const TRateAxis& axis : axes) {
    if (axis.lo < axis.hi) free.push_back(axis);
  }
  search.tickInEvaluations = false;
  TSeriesObjective objective(search, free, fit.TShift, fit.Parameters, 0.95);
  const profile::TProfilesOutcome outcome = profile::RunProfiles(objective, quantities);
  search.tickInEvaluations = true;
  for (size_t q = 0; q < quantities.size(); ++q) {
    const int32_t id = quantities[q].id;
    const std::optional<TInterval>& interval = outcome.profiles[q].interval;
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

TSeriesFit Result(TSeriesSearch& search, const TSeries& series,
                  const std::vector<TRateAxis>& axes) {
  TSeriesFit fit{};
  const TProjection& p = search.BestProjection();
  fit.Points = search.Points();
  fit.Error = search.BestSSR() / fit.Points;
  fit.Rate = search.BestRate();
  fit.TShift = search.BestShift();
  fit.Background = p.background;
  fit.Amplitude = p.amplitude;
  fit.Brightness = p.brightness;
  for (size_t i = 0; i < series.Traces.size(); ++i) {
    fit.TraceError.push_back(p.traceSSR[i] / static_cast<double>(series.Traces[i].Time.size()));
  }
  int32_t parameters = LinearParameters(series);
  for (const TRateAxis& axis : axes) {
    const double v = fit.Rate[axis.rate];
    if (v > axis.lo && v < axis.hi) ++parameters;
  }
  for (const TSeriesTrace& trace : series.Traces) parameters += trace.FitTShift ? 1 : 0;
  fit.Parameters = parameters;
  return fit;
}

TSeriesFit Fit(const TSeries& series, const SeriesReport& report, std::string* failure,
               bool intervals) {
  CheckSeries(series);
  const std::vector<TRateAxis> axes = RateAxes(series);
  TSeriesSearch search(series, report);
  std::array<double, 3> given = series.Rate;
  for (const TRateAxis& axis : axes)
    given[axis.rate] = std::clamp(given[axis.rate], axis.lo, axis.hi);
  std::vector<double> shift;
  for (const TSeriesTrace& trace : series.Traces) {
    shift.push_back(trace.FitTShift ? std::clamp(trace.TShift, trace.TShiftMin, trace.TShiftMax)
                                    : trace.TShift);
  }
  search.starts = 1 + kSpreadStarts;
  std::vector<double> ends;
  bool stopped = false;
  try {
    for (int32_t s = 0; s < search.starts; ++s) {
      std::array<double, 3> rate = given;
      for (size_t a = 0; a < axes.size() && s > 0; ++a) {
        constexpr int32_t kBases[3] = {2, 3, 5};
        rate[axes[a].rate] = axes[a].Value(refine::RadicalInverse(s, kBases[a]));
      }
      ends.push_back(RunStart(search, series, axes, rate, shift));
      ++search.startsDone;
    }
    std::array<double, 3> rate = search.BestRate();
    std::vector<double> bestShift = search.BestShift();
    DescendStairsJointly(search, series, axes, rate, bestShift, search.BestSSR());
  } catch (const TStop&) {
    stopped = true;
  } catch (const Error& error) {
    if (failure == nullptr || !search.HasBest()) throw;
    *failure = error.what();
  }
  TSeriesFit fit = Result(search, series, axes);
  const bool failed = failure != nullptr && !failure->empty();
  if (intervals && !stopped && !failed && fit.Parameters > 0) {
    std::optional<TSeriesFit> profiled = fit;
    stopped = !FillIntervals(search, series, axes, *profiled);
    // A profile may have found a lower point: the fit is reported there.
    TSeriesFit moved = Result(search, series, axes);
    moved.RateInterval = profiled->RateInterval;
    moved.KnucKon = profiled->KnucKon;
    moved.KoffKon = profiled->KoffKon;
    fit = std::move(moved);
  }
  fit.Stopped = stopped;
  fit.Starts = static_cast<int32_t>(ends.size());
  fit.StartsReachingBest =
      static_cast<int32_t>(std::count_if(ends.begin(), ends.end(), [&](double e) {
        return e <= search.BestSSR() * (1 + kSameError);
      }));
  fit.RateStdError.fill(kNaN);
  if (!stopped && !failed) {
    FillStdErrors(search, axes, fit, fit.Parameters);
  }
  return fit;
}

}  // namespace

TSeriesFit FitSeries(const TSeries& series, bool intervals) {
  return Fit(series, nullptr, nullptr, intervals);
}

TSeriesFit FitSeries(const TSeries& series, const SeriesReport& report, std::string& failure,
                     bool intervals) {
  failure.clear();
  return Fit(series, report, &failure, intervals);
}

}  // namespace actinfit
