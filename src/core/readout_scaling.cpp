#include "core/readout_scaling.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/fit_report.h"
#include "core/fit_statistics.h"
#include "core/numtext.h"

namespace actinfit {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int32_t DistinctCount(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return static_cast<int32_t>(std::unique(values.begin(), values.end()) - values.begin());
}

std::string Exponent(const TPowerLaw& law) {
  std::string text = "[G]^" + ReportNumber(law.Exponent, 3);
  if (std::isfinite(law.StdError)) {
    text += " ± " + ReportNumber(law.StdError, 2) + " (95 %: " + ReportNumber(law.Lower, 3) +
            " to " + ReportNumber(law.Upper, 3) + ")";
  }
  return text;
}

}  // namespace

std::optional<TPowerLaw> FitPowerLaw(std::span<const double> x, std::span<const double> y) {
  std::vector<double> lx, ly;
  for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
    if (!(x[i] > 0 && y[i] > 0 && std::isfinite(x[i]) && std::isfinite(y[i]))) continue;
    lx.push_back(std::log(x[i]));
    ly.push_back(std::log(y[i]));
  }
  if (DistinctCount(lx) < 2) return std::nullopt;
  const double n = static_cast<double>(lx.size());
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < lx.size(); ++i) {
    mx += lx[i] / n;
    my += ly[i] / n;
  }
  double sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < lx.size(); ++i) {
    sxx += (lx[i] - mx) * (lx[i] - mx);
    sxy += (lx[i] - mx) * (ly[i] - my);
  }
  TPowerLaw law{sxy / sxx, kNaN, kNaN, kNaN, 0, static_cast<int32_t>(lx.size())};
  law.Prefactor = std::exp(my - law.Exponent * mx);
  if (lx.size() < 3) return law;
  double rss = 0;
  for (std::size_t i = 0; i < lx.size(); ++i) {
    const double r = ly[i] - my - law.Exponent * (lx[i] - mx);
    rss += r * r;
  }
  law.StdError = std::sqrt(rss / (n - 2) / sxx);
  const double t = StudentTQuantile(0.975, n - 2);
  law.Lower = law.Exponent - t * law.StdError;
  law.Upper = law.Exponent + t * law.StdError;
  return law;
}

std::optional<TReadoutScaling> ReadoutScaling(std::span<const double> gActin,
                                              std::span<const TReadouts> readouts) {
  std::vector<double> g, half, slope;
  for (std::size_t i = 0; i < std::min(gActin.size(), readouts.size()); ++i) {
    if (!readouts[i].Ok || !(gActin[i] > 0) || !std::isfinite(gActin[i])) continue;
    g.push_back(gActin[i]);
    half.push_back(readouts[i].THalf);
    slope.push_back(std::fabs(readouts[i].MaxSlope));
  }
  if (DistinctCount(g) < kScalingMinConcentrations) return std::nullopt;
  const std::optional<TPowerLaw> halfLaw = FitPowerLaw(g, half);
  const std::optional<TPowerLaw> slopeLaw = FitPowerLaw(g, slope);
  if (!halfLaw || !slopeLaw) return std::nullopt;
  return TReadoutScaling{*halfLaw, *slopeLaw, static_cast<int32_t>(g.size()),
                         *std::min_element(g.begin(), g.end()),
                         *std::max_element(g.begin(), g.end())};
}

std::string ScalingSentence(const TReadoutScaling& s) {
  std::string text = "t½ scales as " + Exponent(s.THalf) + " and the largest slope as " +
                     Exponent(s.MaxSlope) + ", over " + FormatInteger(s.Traces) + " traces from " +
                     ReportNumber(s.GMin, 3) + " to " + ReportNumber(s.GMax, 3) + " µM.";
  // Where nucleation and elongation set the time, t1/2 falls as [G]^(-n/2) for a nucleus of n.
  if (s.THalf.Exponent < 0) {
    text +=
        " If nucleation and elongation alone set the time, t½ ∝ [G]^(−n/2) points to a "
        "nucleus of about " +
        ReportNumber(-2 * s.THalf.Exponent, 2) + " subunits.";
  }
  return text;
}

}  // namespace actinfit
