// What a refinement says about the fit: intervals, poorly determined pairs, goodness of fit and
// a runs test of the residual signs. No window: the batch program reports the same
// (core/fit_report.h words it).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/model.h"
#include "core/profile.h"
#include "core/refine.h"

namespace actinfit {

// |r| above this marks a pair of parameters the data cannot tell apart.
inline constexpr double kPoorCorrelation = 0.95;

struct TFitStatistics {
  std::array<double, 5> Value;         // the parameters at the result
  std::array<bool, 5> Refined;         // marked
  std::array<bool, 5> OnBound;         // marked and ended on a bound (held fixed)
  std::array<double, 5> StdError;      // as the refinement gives them (NaN where none)
  std::array<double, 5> Min, Max;      // the bounds of the refinement
  std::array<double, 5> Lower, Upper;  // 95 % interval, value -+ t x standard error within bounds
  std::array<bool, 5> LowerAtBound{}, UpperAtBound{};  // that end was cut at its bound
  std::array<std::array<double, 5>, 5> Correlation;
  double ShiftResolution;  // TShift is known to within Dt / 2 either way
  int32_t Points;          // n
  int32_t Parameters;      // p
  double TQuantile;        // Student t, 97.5 % point with n - p degrees of freedom
  double ResidualSD;       // sqrt(SSR / (n - p))
  double RSquared;         // 1 - SSR / (sum of squares of the readings about their mean)
  int32_t Starts, StartsReachingBest;
  bool Stopped;         // the refinement was stopped: the best point so far
  int32_t Runs;         // runs of equal residual signs (zero residuals left out)
  double RunsExpected;  // their mean count for independent signs; NaN when one sign is missing
  double RunsZ;         // Wald-Wolfowitz z; NaN when one sign is missing
  std::vector<std::pair<int32_t, int32_t>> PoorPairs;  // |r| > kPoorCorrelation, i < j
  std::vector<double> Time, Residual;                  // the residuals of the result, to plot
  double ReadingsStart = 0;               // the readings' level at the start (core/bound_hints.h)
  std::optional<TProfileResult> Profile;  // the profile intervals, once computed
};

// The statistics of `refinement`, whose result the record holds (Param, Residual).
TFitStatistics FitStatistics(const TModel& model, const TRefinement& refinement);

// The p-quantile of Student's t with `dof` > 0 degrees of freedom, 0 < p < 1.
double StudentTQuantile(double p, double dof);

// The p-quantile of the F distribution with 1 and `dof` > 0 degrees of freedom, 0 < p < 1: the
// square of Student's t at (1 + p) / 2, since F(1, dof) is the square of t(dof).
double FQuantileOne(double p, double dof);

// The number of runs of equal signs among the non-zero values and the Wald-Wolfowitz z of that
// count against independent signs; z is NaN when there are no values of one sign.
std::pair<int32_t, double> RunsTest(std::span<const double> residuals);

}  // namespace actinfit
