#include "core/fit_statistics.h"

#include <cmath>
#include <limits>
#include <tuple>
#include <unsupported/Eigen/SpecialFunctions>

#include "core/numtext.h"

namespace actinfit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Number(double value) {
  return std::isfinite(value) ? FormatReal(value, FloatStyle::Exponent, 5, 2) : "-";
}

std::string Fixed(double value, int32_t decimals) {
  return std::isfinite(value) ? FormatReal(value, FloatStyle::Fixed, 15, decimals) : "-";
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
  const double dof = s.Points - s.Parameters;
  s.TQuantile = dof > 0 ? StudentTQuantile(0.975, dof) : kNaN;
  for (int32_t k = 0; k < kParamCount; ++k) {
    s.Lower[k] = s.Value[k] - s.TQuantile * s.StdError[k];
    s.Upper[k] = s.Value[k] + s.TQuantile * s.StdError[k];
  }
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
  for (int32_t i = 0; i < kParamCount; ++i) {
    for (int32_t j = i + 1; j < kParamCount; ++j) {
      if (std::fabs(s.Correlation[i][j]) > kPoorCorrelation) s.PoorPairs.emplace_back(i, j);
    }
  }
  return s;
}

std::string FitReportText(const TFitStatistics& s) {
  std::string text = "Parameter\tValue\tStandard error\t95 % interval\tStatus\n";
  for (int32_t k = 0; k < kParamCount; ++k) {
    text += std::string(ParamName(k)) + '\t' + Number(s.Value[k]) + '\t';
    if (k == TShift && s.Refined[k] && !s.OnBound[k]) {
      text += "+-" + Number(s.ShiftResolution) + " (half a time step)\t-";
    } else {
      text += Number(s.StdError[k]) + '\t';
      text += std::isfinite(s.StdError[k]) ? Number(s.Lower[k]) + " to " + Number(s.Upper[k])
                                           : std::string("-");
    }
    text += '\t';
    text += !s.Refined[k] ? "fixed" : s.OnBound[k] ? "refined, on a bound (held fixed)" : "refined";
    text += '\n';
  }

  std::vector<int32_t> known;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (std::isfinite(s.StdError[k])) known.push_back(k);
  }
  if (!known.empty()) {
    text += "\nCorrelation (* where |r| > 0.95)\n";
    for (const int32_t k : known) text += '\t' + std::string(ParamName(k));
    text += '\n';
    for (const int32_t i : known) {
      text += ParamName(i);
      for (const int32_t j : known) {
        const double r = s.Correlation[i][j];
        text += '\t' + Fixed(r, 3) + (i != j && std::fabs(r) > kPoorCorrelation ? "*" : "");
      }
      text += '\n';
    }
  }
  for (const auto& [i, j] : s.PoorPairs) {
    text += std::string(ParamName(i)) + " and " + ParamName(j) +
            " are poorly determined together (r = " + Fixed(s.Correlation[i][j], 3) +
            "): the data fix a combination of the two rather than each of them.\n";
  }

  text += "\nPoints (n)\t" + FormatInteger(s.Points) + '\n';
  text += "Refined parameters (p)\t" + FormatInteger(s.Parameters) + '\n';
  text += "Residual standard deviation\t" + Number(s.ResidualSD) + '\n';
  text += "R squared\t" + Fixed(s.RSquared, 6) + '\n';
  text += "Starts that reached the best\t" + FormatInteger(s.StartsReachingBest) + " of " +
          FormatInteger(s.Starts) + '\n';
  text += "Runs of the residual signs\t" + FormatInteger(s.Runs) + ", z = " + Fixed(s.RunsZ, 2);
  if (std::isfinite(s.RunsZ)) {
    text += s.RunsZ < -1.96  ? " (fewer runs than chance: the model misses the shape of the "
                               "curve systematically)"
            : s.RunsZ > 1.96 ? " (more runs than chance: neighbouring residuals alternate)"
                             : " (consistent with random scatter)";
  }
  text += '\n';
  return text;
}

}  // namespace actinfit
