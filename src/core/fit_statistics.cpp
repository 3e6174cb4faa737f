#include "core/fit_statistics.h"

#include <cmath>
#include <limits>
#include <tuple>
#include <unsupported/Eigen/SpecialFunctions>

#include "core/bound_hints.h"

namespace actinfit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The mean number of runs of independent signs, as the runs test takes it.
double ExpectedRuns(std::span<const double> residuals) {
  double positive = 0, negative = 0;
  for (const double r : residuals) {
    positive += r > 0;
    negative += r < 0;
  }
  if (positive == 0 || negative == 0) return kNaN;
  return 2 * positive * negative / (positive + negative) + 1;
}

// The t-interval of every parameter with a standard error, its ends cut at the bounds.
void SetIntervals(TFitStatistics& s) {
  for (int32_t k = 0; k < kParamCount; ++k) {
    s.Lower[k] = s.Upper[k] = kNaN;
    if (!std::isfinite(s.StdError[k] * s.TQuantile)) continue;
    const double low = s.Value[k] - s.TQuantile * s.StdError[k];
    const double high = s.Value[k] + s.TQuantile * s.StdError[k];
    s.LowerAtBound[k] = low < s.Min[k];
    s.UpperAtBound[k] = high > s.Max[k];
    s.Lower[k] = s.LowerAtBound[k] ? s.Min[k] : low;
    s.Upper[k] = s.UpperAtBound[k] ? s.Max[k] : high;
  }
}

}  // namespace

double StudentTQuantile(double p, double dof) {
  if (p == 0.5) return 0;
  // P(|T| > t) = I_x(dof / 2, 1 / 2) with x = dof / (dof + t^2): find x by bisection on the
  // regularised incomplete beta function, which falls from 1 to 0 as x goes from 1 to 0.
  const double tail = 2 * std::min(p, 1 - p);
  double lo = 0, hi = 1;
  for (int32_t i = 0; i < 200 && hi - lo > 1e-17; ++i) {
    const double mid = (lo + hi) / 2;
    if (Eigen::numext::betainc(dof / 2, 0.5, mid) < tail) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  const double x = (lo + hi) / 2;
  const double t = std::sqrt(dof * (1 - x) / x);
  return p > 0.5 ? t : -t;
}

double FQuantileOne(double p, double dof) {
  const double t = StudentTQuantile((1 + p) / 2, dof);
  return t * t;
}

std::pair<int32_t, double> RunsTest(std::span<const double> residuals) {
  int32_t positive = 0, negative = 0, runs = 0, last = 0;
  for (const double r : residuals) {
    const int32_t sign = r > 0 ? 1 : r < 0 ? -1 : 0;
    if (sign == 0) continue;
    (sign > 0 ? positive : negative) += 1;
    if (sign != last) ++runs;
    last = sign;
  }
  if (positive == 0 || negative == 0) return {runs, kNaN};
  const double n1 = positive, n2 = negative, n = n1 + n2;
  const double mean = 2 * n1 * n2 / n + 1;
  const double variance = 2 * n1 * n2 * (2 * n1 * n2 - n) / (n * n * (n - 1));
  if (!(variance > 0)) return {runs, kNaN};
  return {runs, (runs - mean) / std::sqrt(variance)};
}

TFitStatistics FitStatistics(const TModel& m, const TRefinement& r) {
  TFitStatistics s{};
  s.Value = m.Param;
  s.Refined = m.Fit;
  s.OnBound = r.OnBound;
  s.StdError = r.StdError;
  s.Correlation = r.Correlation;
  s.ShiftResolution = m.Dt / 2;
  s.Points = r.Points;
  s.Parameters = r.Refined;
  s.Starts = r.Starts;
  s.StartsReachingBest = r.StartsReachingBest;
  s.Stopped = r.Stopped;
  const double dof = s.Points - s.Parameters;
  s.Min = m.Min;
  s.Max = m.Max;
  s.TQuantile = dof > 0 ? StudentTQuantile(0.975, dof) : kNaN;
  SetIntervals(s);
  double ssr = 0, mean = 0, sst = 0;
  for (int32_t i = 0; i < m.Count; ++i) {
    ssr += m.Residual[i] * m.Residual[i];
    mean += m.Data[i];
  }
  mean /= m.Count;
  for (int32_t i = 0; i < m.Count; ++i) sst += (m.Data[i] - mean) * (m.Data[i] - mean);
  s.ResidualSD = dof > 0 ? std::sqrt(ssr / dof) : kNaN;
  s.RSquared = sst > 0 ? 1 - ssr / sst : kNaN;
  std::tie(s.Runs, s.RunsZ) = RunsTest(m.Residual);
  s.RunsExpected = ExpectedRuns(m.Residual);
  s.Time = m.Time;
  s.Residual = m.Residual;
  s.ReadingsStart = ReadingsStart(m.Data);
  for (int32_t i = 0; i < kParamCount; ++i) {
    for (int32_t j = i + 1; j < kParamCount; ++j) {
      if (std::fabs(s.Correlation[i][j]) > kPoorCorrelation) s.PoorPairs.emplace_back(i, j);
    }
  }
  return s;
}

}  // namespace actinfit
