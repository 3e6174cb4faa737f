#include "core/dt_check.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "core/fit_report.h"
#include "core/model.h"
#include "core/refine.h"
#include "core/refine_local.h"
#include "core/series_fit.h"
#include "core/series_search.h"
#include "core/series_solve.h"

namespace actinfit {
namespace {

// One local solve, as the refinement's final one.
constexpr refine::TSolveLimits kRefit{100, 1e-10};

std::string Percent(double share) {
  return ReportNumber(100 * share, 2) + " %";
}

// Whether a time step half as large would still be allowed for these times and the shift.
bool HalfStepAllowed(double shift, double lastTime, double dt) {
  try {
    CheckStepCount(shift, lastTime, dt / 2);
    return true;
  } catch (const EInvalidInput&) {
    return false;
  }
}

}  // namespace

bool TDtMove::Warn() const {
  const double move = std::fabs(HalfValue - Value);
  return move > StdError || move > kDtMoveShare * std::fabs(Value);
}

std::optional<TDtCheck> HalvedTimeStepCheck(const TModel& refined, const TRefinement& r) {
  if (!HalfStepAllowed(refined.Param[TShift], LastTime(refined), refined.Dt)) return std::nullopt;
  TModel half = refined;
  half.Dt = refined.Dt / 2;
  std::vector<refine::TAxis> axes;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (k != TShift && refined.Fit[k] && !r.OnBound[k] && refined.Min[k] < refined.Max[k]) {
      axes.push_back(refine::MakeAxis(half, k));
    }
  }
  refine::TContext context([&half]() -> TModel& { return half; }, nullptr, 1);
  const refine::TLocalResult end =
      refine::Solve(context, refine::AxesInside(axes, refined.Param),
                    {refined.Param, std::numeric_limits<double>::infinity(), {}}, kRefit);
  if (context.failure || !std::isfinite(end.error)) return std::nullopt;
  TDtCheck check{refined.Dt, r.Error, end.error, {}};
  for (const refine::TAxis& axis : axes) {
    check.Moves.push_back({ParamName(axis.index), refined.Param[axis.index], end.set[axis.index],
                           r.StdError[axis.index]});
  }
  return check;
}

std::optional<TDtCheck> HalvedTimeStepSeriesCheck(const TSeries& series, const TSeriesFit& fit) {
  TSeries half = series;
  half.Dt = series.Dt / 2;
  for (size_t i = 0; i < series.Traces.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    if (trace.Time.empty()) return std::nullopt;
    const double last = *std::max_element(trace.Time.begin(), trace.Time.end());
    if (!HalfStepAllowed(fit.TShift[i], last, series.Dt)) return std::nullopt;
  }
  std::vector<series::TAxis> axes;
  for (const series::TAxis& axis : series::RateAxes(half)) {
    const double v = fit.Rate[static_cast<size_t>(axis.rate)];
    if (v > axis.lo && v < axis.hi) axes.push_back(axis);
  }
  series::TSearch search(half, nullptr);
  series::TPoint point{fit.Rate, fit.TShift};
  const double ssr = series::Solve(search, axes, point);
  if (!std::isfinite(ssr)) return std::nullopt;
  TDtCheck check{series.Dt, fit.Error, ssr / search.Points(), {}};
  for (const series::TAxis& axis : axes) {
    const auto r = static_cast<size_t>(axis.rate);
    check.Moves.push_back({series::kRateNames[r], fit.Rate[r], point.rate[r], fit.RateStdError[r]});
  }
  return check;
}

std::string DtCheckWarning(const TDtCheck& check) {
  std::string warned;
  for (const TDtMove& move : check.Moves) {
    if (move.Warn()) warned += (warned.empty() ? "" : ", ") + move.Name;
  }
  if (warned.empty()) return {};
  return "The time step is too coarse for " + warned +
         ": halving it moves them by more than their standard error or 1 %; fit again with a "
         "smaller time step.";
}

std::vector<std::string> DtCheckSentences(const TDtCheck& check) {
  std::string moves = "Halving the time step (to " + ReportNumber(check.Dt / 2, 3) +
                      " s) moves the error by " +
                      Percent((check.HalfError - check.Error) / check.Error);
  for (const TDtMove& move : check.Moves) {
    moves += ", " + move.Name + " by " + Percent(move.Relative());
  }
  std::vector<std::string> sentences{moves + "."};
  if (std::string warning = DtCheckWarning(check); !warning.empty()) {
    sentences.push_back(std::move(warning));
  }
  return sentences;
}

}  // namespace actinfit
