#include "core/refine_local.h"

#include <ceres/ceres.h>
#include <glog/logging.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <string>

#include "core/errors.h"

namespace actinfit {

void SilenceSolverLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Only a fatal message would still be written; the solver's errors come back in its summary.
    FLAGS_minloglevel = google::GLOG_FATAL;
    FLAGS_stderrthreshold = google::GLOG_FATAL;
  });
}

}  // namespace actinfit

namespace actinfit::refine {
namespace {

// Difference step of the Jacobian on the unit interval: far above the rounding noise of a
// simulated curve (about 1e-12 of its size), far below the curvature of the error.
constexpr double kUnitStep = 1e-5;

// The error is flat within a stair of TShift: its Jacobian column is a secant this many stairs
// to each side, which sees the slope of the staircase.
constexpr double kShiftStairs = 5;

}  // namespace

double TAxis::Value(double u) const {
  const double v =
      log ? std::exp(std::log(lo) + u * (std::log(hi) - std::log(lo))) : lo + u * (hi - lo);
  return std::clamp(v, lo, hi);
}

double TAxis::Unit(double value) const {
  const double v = std::clamp(value, lo, hi);
  const double u =
      log ? (std::log(v) - std::log(lo)) / (std::log(hi) - std::log(lo)) : (v - lo) / (hi - lo);
  return std::clamp(u, 0.0, 1.0);
}

double TAxis::Slope(double u) const {
  return log ? Value(u) * (std::log(hi) - std::log(lo)) : hi - lo;
}

TAxis MakeAxis(const TModel& model, int32_t index) {
  TAxis axis{index, false, model.Min[index], model.Max[index], kUnitStep};
  axis.log = axis.lo > 0 && axis.hi >= kLogScaleRatio * axis.lo;
  if (index == TShift) {
    axis.step = std::min(0.25, kShiftStairs * model.Dt / (axis.hi - axis.lo));
  }
  return axis;
}

TAxis Narrowed(TAxis axis, double lo, double hi) {
  axis.lo = lo;
  axis.hi = hi;
  axis.log = lo > 0 && hi >= kLogScaleRatio * lo;
  return axis;
}

void CheckRefinable(const TModel& m) {
  int32_t marked = 0;
  for (int32_t k = 0; k < kParamCount; ++k) marked += m.Fit[k] ? 1 : 0;
  if (marked == 0) throw EInvalidInput("No parameter is marked for fitting");
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (m.Fit[k]) CheckBounds(k, m.Min[k], m.Max[k]);
  }
  if (m.Count < marked + 1) {
    throw EInvalidInput("Too few points for the refinement: " + std::to_string(m.Count) +
                        " points, " + std::to_string(marked) + " marked parameters need at least " +
                        std::to_string(marked + 1));
  }
}

void TTie::Apply(TParamSet& set) const {
  const double follows = product ? value / set[on] : value * set[on];
  set[dependent] = std::clamp(follows, lo, hi);
}

// --- Context
// --------------------------------------------------------------------------------------

TContext::TContext(const ModelAccess& access, const RefineReport& report, int32_t starts)
    : bestError(std::numeric_limits<double>::infinity()),
      access_(access),
      report_(report),
      model_(&access()),
      points_(model_->Count),
      starts_(starts),
      lastReport_(std::chrono::steady_clock::now()) {}

bool TContext::Evaluate(std::span<const TParamSet> sets, std::span<double> errors,
                        std::span<double> curves) {
  if (Ended()) return false;
  const TParamSet held = model_->Param;
  const auto n = static_cast<size_t>(points_);
  size_t done = 0;
  bool anyFailed = false;
  // A set whose evaluation fails with a floating-point error is an infinitely bad point; the
  // sets after it are evaluated as if it had not been there.
  while (done < sets.size()) {
    const TBatchOutcome outcome = batch_.Evaluate(*model_, sets.subspan(done), errors.subspan(done),
                                                  curves.subspan(done * n));
    for (int32_t s = 0; s < outcome.evaluated; ++s, ++done) {
      if (errors[done] < bestError) {
        bestError = errors[done];
        bestSet = sets[done];
      }
    }
    evaluations += outcome.evaluated;
    if (!outcome.failure) break;
    ++evaluations;
    anyFailed = true;
    if (!failures.Count(outcome.failure)) {
      failure = outcome.failure;
      break;
    }
    errors[done++] = std::numeric_limits<double>::infinity();
  }
  failures.Trials = evaluations;
  // The failing set's Param would otherwise stay in the record.
  if (anyFailed) model_->Param = held;
  return !Ended();
}

std::exception_ptr TContext::TakeFailure() {
  std::exception_ptr taken = failure;
  failure = nullptr;
  return taken;
}

bool TContext::Tick() {
  if (Ended()) return false;
  if (!report_) return true;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastReport_ < std::chrono::milliseconds(kRefineReportMilliseconds)) return true;
  const bool goOn = report_({bestError, startsDone, starts_});
  // The report may have let the window replace the record.
  model_ = &access_();
  if (!goOn || model_->Count != points_) stopped = true;
  lastReport_ = std::chrono::steady_clock::now();
  return !Ended();
}

// --- The curve as a Ceres cost
// ------------------------------------------------------------------------

namespace {

// Residuals Fitted - Data of the record as a function of the axes' unit values; the Jacobian is
// taken from the curves of all its difference trials, evaluated together in one batched pass.
class TCurveCost final : public ceres::CostFunction {
 public:
  TCurveCost(TContext& context, const std::vector<TAxis>& axes, const TParamSet& base,
             const std::optional<TTie>& tie)
      : context_(context), axes_(axes), base_(base), tie_(tie) {
    set_num_residuals(context.Points());
    mutable_parameter_block_sizes()->push_back(static_cast<int32_t>(axes.size()));
  }

  bool Evaluate(double const* const* parameters, double* residuals,
                double** jacobians) const override {
    const double* u = parameters[0];
    const auto q = axes_.size();
    const auto n = static_cast<size_t>(context_.Points());
    TParamSet center = base_;
    for (size_t a = 0; a < q; ++a) center[axes_[a].index] = axes_[a].Value(u[a]);
    if (tie_) tie_->Apply(center);

    const bool cached = haveLast_ && center == lastSet_;
    if (jacobians == nullptr || jacobians[0] == nullptr) {
      if (!cached && !EvaluateCenter(center)) return false;
      WriteResiduals(residuals);
      return true;
    }

    // The trials: both sides of each axis, one side (with the centre) at a bound.
    sets_.clear();
    if (!cached) sets_.push_back(center);
    low_.resize(q);
    high_.resize(q);
    lowAt_.resize(q);
    highAt_.resize(q);
    for (size_t a = 0; a < q; ++a) {
      const double h = axes_[a].step;
      double ul = u[a] - h, uh = u[a] + h;
      if (ul < 0) ul = u[a], uh = std::min(1.0, u[a] + h);
      if (uh > 1) uh = u[a], ul = std::max(0.0, u[a] - h);
      low_[a] = ul;
      high_[a] = uh;
      lowAt_[a] = AddTrial(center, a, ul, u[a]);
      highAt_[a] = AddTrial(center, a, uh, u[a]);
    }
    errors_.resize(sets_.size());
    curves_.resize(sets_.size() * n);
    if (!context_.Evaluate(sets_, errors_, curves_)) return false;
    // A centre that fails is a point the solver cannot stand on.
    if (!cached && !std::isfinite(errors_[0])) return false;
    if (!cached) {
      lastSet_ = center;
      lastCurve_.assign(curves_.begin(), curves_.begin() + static_cast<std::ptrdiff_t>(n));
      haveLast_ = true;
    }
    WriteResiduals(residuals);
    double* jacobian = jacobians[0];
    for (size_t a = 0; a < q; ++a) {
      // A side whose trial failed leaves a one-sided difference from the centre.
      const bool lowFailed = Failed(lowAt_[a]), highFailed = Failed(highAt_[a]);
      const double* lowCurve = Curve(lowFailed ? -1 : lowAt_[a]);
      const double* highCurve = Curve(highFailed ? -1 : highAt_[a]);
      const double span = (highFailed ? u[a] : high_[a]) - (lowFailed ? u[a] : low_[a]);
      for (size_t i = 0; i < n; ++i) {
        jacobian[i * q + a] = span > 0 ? (highCurve[i] - lowCurve[i]) / span : 0.0;
      }
    }
    return true;
  }

 private:
  // Index of the trial's curve among sets_, or -1 for the centre.
  int32_t AddTrial(const TParamSet& center, size_t a, double at, double u) const {
    if (at == u) return -1;
    TParamSet trial = center;
    trial[axes_[a].index] = axes_[a].Value(at);
    if (tie_) tie_->Apply(trial);
    sets_.push_back(trial);
    return static_cast<int32_t>(sets_.size()) - 1;
  }

  bool Failed(int32_t at) const {
    return at >= 0 && !std::isfinite(errors_[static_cast<size_t>(at)]);
  }

  const double* Curve(int32_t at) const {
    const auto n = static_cast<size_t>(context_.Points());
    return at < 0 ? lastCurve_.data() : curves_.data() + static_cast<size_t>(at) * n;
  }

  bool EvaluateCenter(const TParamSet& center) const {
    const auto n = static_cast<size_t>(context_.Points());
    lastCurve_.resize(n);
    double error;
    haveLast_ = false;
    if (!context_.Evaluate(std::span(&center, 1), std::span(&error, 1), lastCurve_)) return false;
    if (!std::isfinite(error)) return false;
    lastSet_ = center;
    haveLast_ = true;
    return true;
  }

  void WriteResiduals(double* residuals) const {
    const std::vector<double>& data = context_.Model().Data;
    for (size_t i = 0; i < lastCurve_.size(); ++i) residuals[i] = lastCurve_[i] - data[i];
  }

  TContext& context_;
  std::vector<TAxis> axes_;
  TParamSet base_;
  std::optional<TTie> tie_;
  // Scratch kept from call to call; the last centre's curve serves the Jacobian that Ceres asks
  // for right after accepting a step it has already evaluated.
  mutable std::vector<TParamSet> sets_;
  mutable std::vector<double> errors_, curves_, low_, high_, lastCurve_;
  mutable std::vector<int32_t> lowAt_, highAt_;
  mutable TParamSet lastSet_{};
  mutable bool haveLast_ = false;
};

// Lets the context report between iterations and ends the run on a stop or a failure.
class TProgressCallback final : public ceres::IterationCallback {
 public:
  explicit TProgressCallback(TContext& context) : context_(context) {}
  ceres::CallbackReturnType operator()(const ceres::IterationSummary&) override {
    return context_.Tick() ? ceres::SOLVER_CONTINUE : ceres::SOLVER_ABORT;
  }

 private:
  TContext& context_;
};

}  // namespace

TLocalResult Solve(TContext& context, const std::vector<TAxis>& axes, const TLocalResult& from,
                   const TSolveLimits& limits, const std::optional<TTie>& tie) {
  TLocalResult result = from;
  if (axes.empty()) {
    double error;
    std::vector<double> curve(static_cast<size_t>(context.Points()));
    if (context.Evaluate(std::span(&from.set, 1), std::span(&error, 1), curve) &&
        std::isfinite(error)) {
      result.error = error;
      result.path.push_back(error);
    }
    return result;
  }
  std::vector<double> u(axes.size());
  for (size_t a = 0; a < axes.size(); ++a) u[a] = axes[a].Unit(from.set[axes[a].index]);

  ceres::Problem problem;
  problem.AddResidualBlock(new TCurveCost(context, axes, from.set, tie), nullptr, u.data());
  for (size_t a = 0; a < axes.size(); ++a) {
    problem.SetParameterLowerBound(u.data(), static_cast<int32_t>(a), 0.0);
    problem.SetParameterUpperBound(u.data(), static_cast<int32_t>(a), 1.0);
  }

  TProgressCallback callback(context);
  ceres::Solver::Options options;
  options.minimizer_type = ceres::TRUST_REGION;
  options.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
  options.linear_solver_type = ceres::DENSE_QR;
  options.num_threads = 1;
  options.max_num_iterations = limits.iterations;
  // Steps are projected onto the bounds without a line search: the search would ask for a
  // Jacobian at every trial length, and the second solve drops the axes that end on a bound.
  options.max_num_line_search_step_size_iterations = 0;
  // A trial that fails is a rejected step: the trust region shrinks until the steps evaluate,
  // and the run ends converged at its last point rather than failed.
  options.max_num_consecutive_invalid_steps = 40;
  options.function_tolerance = limits.tolerance;
  options.gradient_tolerance = 1e-14;
  options.parameter_tolerance = 1e-10;
  options.logging_type = ceres::SILENT;
  options.minimizer_progress_to_stdout = false;
  options.callbacks.push_back(&callback);

  ceres::Solver::Summary summary;
  ceres::Solve(options, &problem, &summary);
  const double n = context.Points();
  // Iteration 0 is the starting point, already the end of the previous solve.
  for (size_t i = result.path.empty() ? 0 : 1; i < summary.iterations.size(); ++i) {
    const ceres::IterationSummary& iteration = summary.iterations[i];
    if (i == 0 || iteration.step_is_successful) result.path.push_back(2 * iteration.cost / n);
  }
  for (size_t a = 0; a < axes.size(); ++a) result.set[axes[a].index] = axes[a].Value(u[a]);
  if (tie) tie->Apply(result.set);
  result.error = summary.IsSolutionUsable() ? 2 * summary.final_cost / n
                                            : std::numeric_limits<double>::infinity();
  return result;
}

std::vector<TAxis> AxesInside(const std::vector<TAxis>& axes, const TParamSet& at) {
  std::vector<TAxis> inside;
  for (const TAxis& axis : axes) {
    const double u = axis.Unit(at[axis.index]);
    if (u > 0 && u < 1) inside.push_back(axis);
  }
  return inside;
}

std::vector<double> UnscaledCovariance(TContext& context, const std::vector<TAxis>& axes,
                                       const TParamSet& at) {
  const size_t q = axes.size();
  if (q == 0) return {};
  std::vector<double> u(q);
  for (size_t a = 0; a < q; ++a) u[a] = axes[a].Unit(at[axes[a].index]);

  ceres::Problem problem;
  problem.AddResidualBlock(new TCurveCost(context, axes, at, std::nullopt), nullptr, u.data());
  ceres::Covariance::Options options;
  // The singular-value route copes with the nearly singular matrices of flat valleys.
  options.algorithm_type = ceres::DENSE_SVD;
  options.null_space_rank = -1;
  options.num_threads = 1;
  ceres::Covariance covariance(options);
  const std::vector<std::pair<const double*, const double*>> blocks{{u.data(), u.data()}};
  if (!covariance.Compute(blocks, &problem) || context.Ended()) return {};
  std::vector<double> unit(q * q);
  if (!covariance.GetCovarianceBlock(u.data(), u.data(), unit.data())) return {};

  // From the unit interval to the parameters' own units.
  std::vector<double> slope(q);
  for (size_t a = 0; a < q; ++a) slope[a] = axes[a].Slope(u[a]);
  for (size_t a = 0; a < q; ++a) {
    for (size_t b = 0; b < q; ++b) unit[a * q + b] *= slope[a] * slope[b];
  }
  return unit;
}

double RadicalInverse(int32_t i, int32_t base) {
  double result = 0, scale = 1.0 / base;
  for (; i > 0; i /= base, scale /= base) result += (i % base) * scale;
  return result;
}

}  // namespace actinfit::refine
