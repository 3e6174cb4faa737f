#include "core/series_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "core/model.h"
#include "core/refine_local.h"
#include "core/series_search.h"
#include "core/series_solve.h"
#include "core/series_uncertainty.h"

namespace actinfit {
namespace {

using series::kRateNames;
using series::TraceName;

// Starts besides the given rates: Halton points over the refined rates' unit cube.
constexpr int32_t kSpreadStarts = 8;
// Starts whose error lies this close to the best count as reaching it.
constexpr double kSameError = 1e-6;

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
    // A time step typed a few digits too small would hold the fit for days.
    const double lastTime = *std::max_element(trace.Time.begin(), trace.Time.end());
    try {
      CheckStepCount(LowestShift(trace.TShift, trace.TShiftMin, trace.FitTShift), lastTime,
                     series.Dt);
    } catch (const EInvalidInput& e) {
      throw EInvalidInput(name + ": " + e.what());
    }
  }
}

// The best point as the result: its rates, shifts, linear parameters and errors, and p.
TSeriesFit Result(const series::TSearch& search, const std::vector<series::TAxis>& axes) {
  const TSeries& series = search.Series();
  TSeriesFit fit = search.BestAsFit();
  int32_t parameters = LinearParameters(series);
  for (const series::TAxis& axis : axes) {
    const double v = fit.Rate[static_cast<size_t>(axis.rate)];
    if (v > axis.lo && v < axis.hi) ++parameters;
  }
  for (const TSeriesTrace& trace : series.Traces) parameters += trace.FitTShift ? 1 : 0;
  fit.Parameters = parameters;
  return fit;
}

// The starting point: the given rates and shifts, inside their bounds.
series::TPoint GivenPoint(const TSeries& series, const std::vector<series::TAxis>& axes) {
  series::TPoint point{series.Rate, {}};
  for (const series::TAxis& axis : axes) {
    double& rate = point.rate[static_cast<size_t>(axis.rate)];
    rate = std::clamp(rate, axis.lo, axis.hi);
  }
  for (const TSeriesTrace& trace : series.Traces) {
    point.shift.push_back(trace.FitTShift
                              ? std::clamp(trace.TShift, trace.TShiftMin, trace.TShiftMax)
                              : trace.TShift);
  }
  return point;
}

// The starts' solves; the SSR at each start's end in `ends`.
void RunStarts(series::TSearch& search, const std::vector<series::TAxis>& axes,
               std::vector<double>& ends) {
  const series::TPoint given = GivenPoint(search.Series(), axes);
  search.starts = 1 + kSpreadStarts;
  for (int32_t s = 0; s < search.starts; ++s) {
    series::TPoint point = given;
    for (size_t a = 0; a < axes.size() && s > 0; ++a) {
      constexpr int32_t kBases[3] = {2, 3, 5};
      point.rate[static_cast<size_t>(axes[a].rate)] =
          axes[a].Value(refine::RadicalInverse(s, kBases[a]));
    }
    ends.push_back(series::SolveFromStart(search, axes, point));
    ++search.startsDone;
  }
}

TSeriesFit Fit(const TSeries& series, const SeriesReport& report, std::string* failure,
               bool intervals) {
  CheckSeries(series);
  const std::vector<series::TAxis> axes = series::RateAxes(series);
  series::TSearch search(series, report);
  std::vector<double> ends;
  bool stopped = false;
  try {
    RunStarts(search, axes, ends);
  } catch (const series::TStop&) {
    stopped = true;
  } catch (const Error& error) {
    if (failure == nullptr || !search.HasBest()) throw;
    *failure = error.what();
  }
  // Only when no start could be evaluated do the failed trials end the fit.
  if (!search.HasBest() && search.Failures().FirstError) {
    std::rethrow_exception(search.Failures().FirstError);
  }
  TSeriesFit fit = Result(search, axes);
  const bool failed = failure != nullptr && !failure->empty();
  if (intervals && !stopped && !failed && fit.Parameters > 0) {
    TSeriesFit profiled = fit;
    stopped = !series::FillIntervals(search, axes, profiled);
    // A profile may have found a lower point: the fit is reported there.
    fit = Result(search, axes);
    fit.RateInterval = profiled.RateInterval;
    fit.KnucKon = profiled.KnucKon;
    fit.KoffKon = profiled.KoffKon;
    fit.IntervalShape = profiled.IntervalShape;
  }
  fit.Stopped = stopped;
  fit.Starts = static_cast<int32_t>(ends.size());
  fit.StartsReachingBest =
      static_cast<int32_t>(std::count_if(ends.begin(), ends.end(), [&](double e) {
        return e <= search.BestSSR() * (1 + kSameError);
      }));
  if (!stopped && !failed) {
    series::FillStdErrors(search, axes, fit);
    fit.DtCheck = HalvedTimeStepSeriesCheck(series, fit);
  }
  fit.Failures = search.Failures();
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
