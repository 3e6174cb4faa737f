#include "app/figure/figure_scale.h"

#include <algorithm>
#include <cmath>

#include "app/charts/tick_interval.h"

namespace actinfit {

std::vector<double> FigureScale::Ticks() const {
  // The multiples of the step from low to high; a hair's rounding error does not lose the end
  // ticks. Each from its index, not by adding up steps, so that no rounding error accumulates.
  const auto first = static_cast<long>(std::ceil(low / step - 1e-9));
  const auto last = static_cast<long>(std::floor(high / step + 1e-9));
  std::vector<double> ticks;
  ticks.reserve(static_cast<size_t>(std::max(0L, last - first + 1)));
  for (long i = first; i <= last; ++i) ticks.push_back(static_cast<double>(i) * step);
  return ticks;
}

namespace {

// The next round step: 1 to 2, 2 to 5, 5 to 10 times the same power of ten.
double NextStep(double step) {
  const double decade = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double mantissa = std::lround(step / decade);
  return (mantissa == 1 ? 2 : mantissa == 2 ? 5 : 10) * decade;
}

// The round step before: 10 to 5, 5 to 2, 2 to 1 times the same power of ten.
double PreviousStep(double step) {
  const double decade = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double mantissa = std::lround(step / decade);
  return mantissa == 1 ? decade / 2 : mantissa == 2 ? decade : 2 * decade;
}

FigureScale ScaleWithStep(double min, double max, double step) {
  FigureScale scale;
  scale.step = step;
  // A point a rounding error beyond a tick does not cost a whole further step.
  const double slack = step * 1e-9;
  scale.low = std::floor((min + slack) / step) * step;
  scale.high = std::ceil((max - slack) / step) * step;
  if (scale.high <= scale.low) scale.high = scale.low + step;
  scale.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  return scale;
}

}  // namespace

FigureScale RoundScale(double min, double max, int maxTicks) {
  if (!(max > min)) {
    const double pad = min == 0 ? 1 : std::fabs(min) * 0.1;
    min -= pad;
    max += pad;
  }
  maxTicks = std::max(maxTicks, 2);
  FigureScale scale = ScaleWithStep(min, max, RoundTickInterval(max - min));
  while (std::lround((scale.high - scale.low) / scale.step) + 1 > maxTicks) {
    scale = ScaleWithStep(min, max, NextStep(scale.step));
  }
  return scale;
}

FigureScale DataScale(double min, double max, int maxTicks) {
  FigureScale scale = RoundScale(min, max, maxTicks);
  if (!(max > min)) return scale;
  const auto rounded = static_cast<int>(scale.Ticks().size());
  scale.low = min;
  scale.high = max;
  // Within the data fewer ticks may fall than within the rounded range: a finer step is taken
  // while it gives no more ticks than that range had.
  for (;;) {
    FigureScale finer = scale;
    finer.step = PreviousStep(scale.step);
    finer.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(finer.step) + 1e-9)));
    const auto ticks = static_cast<int>(finer.Ticks().size());
    if (ticks > maxTicks || ticks > rounded) break;
    scale = finer;
  }
  return scale;
}

QString TickText(double value, const FigureScale& scale, char mark) {
  // A tick within a hair of zero is zero, not "-0".
  if (std::fabs(value) < scale.step * 1e-6) value = 0;
  QString text = QString::number(std::fabs(value), 'f', scale.decimals);
  if (mark != '.') text.replace(u'.', QChar::fromLatin1(mark));
  if (value < 0) text.prepend(QChar(0x2212));
  return text;
}

}  // namespace actinfit
