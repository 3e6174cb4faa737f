#include "core/bound_hints.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/defaults.h"
#include "core/fit_report.h"
#include "core/model.h"

namespace actinfit {

namespace {

std::string Number(double value) {
  return ReportNumber(value, 5);
}

// A round bound beyond `level` in the direction the data pull: two significant digits, rounded
// away from the bound ("above 300" for 298, "below 40" for 41.5).
double RoundBeyond(double level, bool up) {
  if (level == 0) return 0;
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(level))) - 1);
  return (up ? std::ceil(level / unit) : std::floor(level / unit)) * unit;
}

bool IsRate(int32_t k) {
  return k == Knuc || k == Kon || k == Koff;
}

std::string BackgroundHint(const std::string& head, bool upper, double bound,
                           double readingsStart) {
  const bool outside = upper ? readingsStart > bound : readingsStart < bound;
  if (!std::isfinite(readingsStart) || !outside) {
    return head + ": the data pull it " + (upper ? "higher" : "lower") + "; " +
           (upper ? "raise its Max" : "lower its Min") + " and refine again.";
  }
  // Half a percent beyond the start, so that a start just under a round number clears it.
  const double nudge = std::fabs(readingsStart) * 0.005;
  const double beyond = RoundBeyond(readingsStart + (upper ? nudge : -nudge), upper);
  return head + " while the readings start near " + Number(readingsStart) + ": " +
         (upper ? "raise its Max above " : "lower its Min below ") + Number(beyond) +
         " and refine again.";
}

std::string RateHint(const std::string& head, bool upper, double bound) {
  if (upper) {
    return head + ": the data pull it higher; raise its Max (to " + Number(bound * 10) +
           ", say) and refine again.";
  }
  if (!(bound > 0)) {
    return head +
           ": the data pull it to zero, so they do not show this step at all; the rate "
           "is not determined.";
  }
  return head + ": the data pull it lower; lower its Min (to " + Number(bound / 10) +
         ", say) and refine again.";
}

}  // namespace

double ReadingsStart(std::span<const double> readings) {
  if (readings.empty()) return std::numeric_limits<double>::quiet_NaN();
  const size_t count = std::min(readings.size(), std::max<size_t>(5, readings.size() / 20));
  std::vector<double> first(readings.begin(), readings.begin() + static_cast<ptrdiff_t>(count));
  std::sort(first.begin(), first.end());
  const size_t middle = count / 2;
  return count % 2 == 1 ? first[middle] : (first[middle - 1] + first[middle]) / 2;
}

std::string BoundHint(int32_t k, double value, double min, double max, double readingsStart) {
  const bool upper = value >= max && value != min;
  if (!upper && !(value <= min)) return {};
  const double bound = upper ? max : min;
  const std::string head = std::string(kParamNames[static_cast<size_t>(k)]) + " ended on its " +
                           (upper ? "upper" : "lower") + " bound " + Number(bound);
  if (k == BFluo) return BackgroundHint(head, upper, bound, readingsStart);
  if (IsRate(k)) return RateHint(head, upper, bound);
  return head + ": the data pull the start of the rise " + (upper ? "later" : "earlier") + "; " +
         (upper ? "raise its Max" : "lower its Min") + " and refine again.";
}

}  // namespace actinfit
