// The scale of one axis of a figure: its range rounded out to tick values, and their text.
#pragma once

#include <QString>
#include <vector>

namespace actinfit {

struct FigureScale {
  double low = 0;    // where the axis begins: the first tick, or the data's first value
  double high = 1;   // where it ends: the last tick, or the data's last value
  double step = 1;   // 1, 2 or 5 times a power of ten
  int decimals = 0;  // that a tick value needs

  // The tick values from low to high: the multiples of step between them.
  std::vector<double> Ticks() const;
  // Where `value` lies between low (0) and high (1).
  double Fraction(double value) const { return (value - low) / (high - low); }
};

// A scale from the first tick at or below `min` to the first at or above `max`, with at most
// `maxTicks` ticks (at least 2); a range of no width is widened around its value. Both must be
// finite.
FigureScale RoundScale(double min, double max, int maxTicks = 11);

// A scale that begins and ends at the data (`min`, `max`), with its ticks at round values inside,
// at most `maxTicks` of them; a range of no width is rounded out as RoundScale does.
FigureScale DataScale(double min, double max, int maxTicks = 11);

// The tick text: `decimals` decimals, the decimal mark `mark`, a typographic minus sign.
QString TickText(double value, const FigureScale& scale, char mark);

}  // namespace actinfit
