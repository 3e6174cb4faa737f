#include "app/charts/tick_interval.h"

#include <cmath>

namespace actinfit {

double RoundTickInterval(double span) {
  const double raw = span / 5;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  const double mantissa = raw / decade;
  return (mantissa < 1.5 ? 1 : mantissa < 3.5 ? 2 : mantissa < 7.5 ? 5 : 10) * decade;
}

}  // namespace actinfit
