#include "core/trace_shape.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/fit_report.h"

namespace actinfit {
namespace {

double Mean(std::span<const double> values) {
  double sum = 0;
  for (const double v : values) sum += v;
  return sum / static_cast<double>(values.size());
}

// The standard deviation of the noise from the median absolute successive difference: a slope
// adds little to it and a few outliers nothing (1.4826 x MAD of differences, which carry twice
// the variance of the readings).
double NoiseLevel(std::span<const double> readings) {
  std::vector<double> steps;
  for (size_t i = 1; i < readings.size(); ++i) {
    steps.push_back(std::fabs(readings[i] - readings[i - 1]));
  }
  const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), middle, steps.end());
  return 1.4826 * *middle / std::sqrt(2.0);
}

}  // namespace

TTraceShape TraceShape(std::span<const double> readings) {
  if (readings.size() < 2) return {TRise::Rises, 0, 0};
  const size_t tenth = std::max<size_t>(1, readings.size() / 10);
  const double change = Mean(readings.last(tenth)) - Mean(readings.first(tenth));
  const double noise = NoiseLevel(readings);
  const double few = kFlatTraceNoiseLevels * noise;
  const TRise rise = change < -few ? TRise::Falls : change <= few ? TRise::Flat : TRise::Rises;
  return {rise, change, noise};
}

std::string TraceShapeSentence(const TTraceShape& shape, const std::string& name) {
  const std::string noise = ReportNumber(shape.Noise, 3);
  if (shape.Rise == TRise::Flat) {
    return name + " does not rise: its readings change by " + ReportNumber(shape.Change, 3) +
           " from the first tenth to the last, within a few noise levels (" + noise +
           "). The fit is given, but its rates say nothing of polymerisation.";
  }
  if (shape.Rise == TRise::Falls) {
    return name + " falls: its readings drop by " + ReportNumber(-shape.Change, 3) +
           " from the first tenth to the last (noise " + noise +
           "), where polymerisation makes them rise. The fit is given, but its rates and "
           "amplitude describe no polymerisation.";
  }
  return {};
}

}  // namespace actinfit
