#include "core/readouts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "core/numtext.h"

namespace actinfit {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct TPoints {
  std::vector<double> t, y;
  int32_t Size() const { return static_cast<int32_t>(t.size()); }
};

// The finite points in order of time.
TPoints FinitePoints(std::span<const double> time, std::span<const double> data) {
  const std::size_t n = std::min(time.size(), data.size());
  std::vector<std::size_t> order;
  order.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (std::isfinite(time[i]) && std::isfinite(data[i])) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return time[a] < time[b]; });
  TPoints points;
  points.t.reserve(order.size());
  points.y.reserve(order.size());
  for (const std::size_t i : order) {
    points.t.push_back(time[i]);
    points.y.push_back(data[i]);
  }
  return points;
}

double Median(std::vector<double> values) {
  if (values.empty()) return kNaN;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  if (values.size() % 2 == 1) return *middle;
  return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

double MedianOf(const std::vector<double>& y, int32_t from, int32_t to) {
  return Median(std::vector<double>(y.begin() + from, y.begin() + to));
}

// The standard deviation of one reading from the median absolute second difference (variance
// 6 sigma^2): a steady rise cancels out of it, and the bends are too few to move the median.
double NoiseLevel(const std::vector<double>& y) {
  std::vector<double> bends;
  bends.reserve(y.size());
  for (std::size_t i = 2; i < y.size(); ++i) {
    bends.push_back(std::fabs(y[i] - 2 * y[i - 1] + y[i - 2]));
  }
  return 1.4826 * Median(std::move(bends)) / std::sqrt(6.0);
}

// A running median, so that a crossing of a level is found where the trace crosses it rather
// than where one noisy point does.
std::vector<double> RunningMedian(const std::vector<double>& y) {
  const int32_t n = static_cast<int32_t>(y.size());
  const int32_t half = std::max(1, n / 100);
  std::vector<double> smooth(y.size());
  for (int32_t i = 0; i < n; ++i) {
    smooth[i] = MedianOf(y, std::max(0, i - half), std::min(n, i + half + 1));
  }
  return smooth;
}

// The smoothed trace as a fraction of the rise from `baseline` to `plateau`, and where it
// crosses levels of it.
struct TRiseShape {
  std::vector<double> fraction;
  int32_t FirstAtLeast(double level) const {
    const auto at =
        std::find_if(fraction.begin(), fraction.end(), [&](double f) { return f >= level; });
    return static_cast<int32_t>(at - fraction.begin());
  }
  // The index after the last point below `level`; 0 when none is.
  int32_t AfterLastBelow(double level) const {
    for (auto i = static_cast<int32_t>(fraction.size()); i > 0; --i) {
      if (fraction[i - 1] < level) return i;
    }
    return 0;
  }
};

TRiseShape RiseShape(const std::vector<double>& smooth, double baseline, double plateau) {
  TRiseShape shape;
  shape.fraction.reserve(smooth.size());
  for (const double s : smooth) shape.fraction.push_back((s - baseline) / (plateau - baseline));
  return shape;
}

struct TLine {
  double Slope, SlopeSE, MeanT, MeanY, ResidualSD;
  int32_t Count;
};

// The least-squares line through points [from, to).
TLine FitLine(const TPoints& p, int32_t from, int32_t to) {
  TLine line{kNaN, kNaN, 0, 0, kNaN, to - from};
  for (int32_t i = from; i < to; ++i) {
    line.MeanT += p.t[i];
    line.MeanY += p.y[i];
  }
  line.MeanT /= line.Count;
  line.MeanY /= line.Count;
  double sxx = 0, sxy = 0;
  for (int32_t i = from; i < to; ++i) {
    sxx += (p.t[i] - line.MeanT) * (p.t[i] - line.MeanT);
    sxy += (p.t[i] - line.MeanT) * (p.y[i] - line.MeanY);
  }
  if (!(sxx > 0)) return line;
  line.Slope = sxy / sxx;
  if (line.Count < 3) return line;
  double rss = 0;
  for (int32_t i = from; i < to; ++i) {
    const double r = p.y[i] - line.MeanY - line.Slope * (p.t[i] - line.MeanT);
    rss += r * r;
  }
  line.ResidualSD = std::sqrt(rss / (line.Count - 2));
  line.SlopeSE = line.ResidualSD / std::sqrt(sxx);
  return line;
}

// Whether the points [from, end) still move on by more than 5 % of `rise`, beyond three
// standard errors of their line.
bool StillRising(const TPoints& p, int32_t from, double rise) {
  const TLine line = FitLine(p, from, p.Size());
  const double span = p.t.back() - p.t[from];
  const double drift = line.Slope * span * (rise > 0 ? 1 : -1);
  return drift > 0.05 * std::fabs(rise) && drift > 3 * line.SlopeSE * span;
}

// Baseline and plateau from the points before and after the rise of `shape`; a caution when
// either had to be taken from the trace's ends.
void BaselineAndPlateau(const TPoints& p, const TRiseShape& shape, TReadouts& r) {
  const int32_t n = p.Size();
  int32_t before = shape.FirstAtLeast(0.05);
  int32_t after = shape.AfterLastBelow(0.95);
  // A rise's tails reach far: keep off them by half the way from 5 % to the middle, where
  // enough points remain.
  const int32_t ends = 3;
  const int32_t middle = std::min(shape.FirstAtLeast(0.5), n - 1);
  if (before < n && before < middle) {
    const double cut = p.t[before] - (p.t[middle] - p.t[before]) / 2;
    const auto kept =
        static_cast<int32_t>(std::lower_bound(p.t.begin(), p.t.end(), cut) - p.t.begin());
    if (kept >= 2 * ends) before = kept;
  }
  if (after > 0 && after - 1 > middle) {
    const double cut = p.t[after - 1] + (p.t[after - 1] - p.t[middle]) / 2;
    const auto kept =
        static_cast<int32_t>(std::upper_bound(p.t.begin(), p.t.end(), cut) - p.t.begin());
    if (n - kept >= 2 * ends) after = kept;
  }
  r.Baseline = before >= ends ? MedianOf(p.y, 0, before) : MedianOf(p.y, 0, ends);
  r.Plateau = n - after >= ends ? MedianOf(p.y, after, n) : MedianOf(p.y, n - ends, n);
  r.Message.clear();
  if (before < ends) r.Message = "The trace rises from its first points: baseline from them. ";
  if (n - after < ends || StillRising(p, std::min(after, n - ends), r.Plateau - r.Baseline)) {
    r.Message += "The trace has not reached its plateau: plateau from its last points. ";
  }
  if (!r.Message.empty()) r.Message.pop_back();
}

// The smallest run of points [from, to) around `centre` that spans `width` seconds and holds
// kSlopeWindowPoints points.
std::pair<int32_t, int32_t> WindowAround(const TPoints& p, int32_t centre, double width) {
  const int32_t n = p.Size();
  int32_t from = centre, to = centre + 1;
  while ((to - from < kSlopeWindowPoints || p.t[to - 1] - p.t[from] < width) &&
         (from > 0 || to < n)) {
    const bool left = from > 0 && (to == n || p.t[centre] - p.t[from - 1] <= p.t[to] - p.t[centre]);
    if (left) {
      --from;
    } else {
      ++to;
    }
  }
  return {from, to};
}

// The window [from, to) of kSlopeWindowPoints or more points and `width` seconds or more
// starting at each point whose centre lies in [tLow, tHigh], with the steepest line in the
// direction `sign`.
TLine SteepestWindow(const TPoints& p, double width, double tLow, double tHigh, double sign) {
  const int32_t n = p.Size();
  TLine best{kNaN, kNaN, kNaN, kNaN, kNaN, 0};
  int32_t to = 0;
  for (int32_t from = 0; from + kSlopeWindowPoints <= n; ++from) {
    to = std::max(to, from + kSlopeWindowPoints);
    while (to < n && p.t[to - 1] - p.t[from] < width) ++to;
    if (p.t[to - 1] - p.t[from] < width && from > 0) break;
    const double centre = (p.t[from] + p.t[to - 1]) / 2;
    if (centre < tLow || centre > tHigh) continue;
    const TLine line = FitLine(p, from, to);
    if (std::isfinite(line.Slope) && !(sign * line.Slope <= sign * best.Slope)) best = line;
  }
  return best;
}

// t1/2 from the line through the points between 30 % and 70 % of the rise (three at least).
void HalfTime(const TPoints& p, const TRiseShape& shape, TReadouts& r) {
  const int32_t n = p.Size();
  int32_t from = std::min(shape.FirstAtLeast(0.3), n - 1);
  int32_t to = std::max(shape.AfterLastBelow(0.7), from + 1);
  while (to - from < 3) {
    if (from > 0) --from;
    if (to - from < 3 && to < n) ++to;
  }
  const TLine line = FitLine(p, from, to);
  const double half = (r.Baseline + r.Plateau) / 2;
  r.THalf = line.MeanT + (half - line.MeanY) / line.Slope;
  // The line's value at its mean time and its slope are independent: add their variances.
  const double meanSE = line.ResidualSD / std::sqrt(static_cast<double>(line.Count));
  const double offset = (half - line.MeanY) / line.Slope;
  r.THalfSE = std::hypot(meanSE / line.Slope, offset * line.SlopeSE / line.Slope);
}

TReadouts NoReadouts(std::string message) {
  TReadouts r;
  r.Baseline = r.Plateau = r.Amplitude = r.Noise = kNaN;
  r.THalf = r.THalfSE = r.MaxSlope = r.MaxSlopeSE = r.TMaxSlope = r.LagTime = kNaN;
  r.SlopeAtHalf = r.SlopeAtHalfSE = r.WindowWidth = kNaN;
  r.Message = std::move(message);
  return r;
}

// Slopes: the steepest window between 10 % and 90 % of the rise, the tangent's lag, and the
// slope of a window as wide at the half-time.
void Slopes(const TPoints& p, const TRiseShape& shape, TReadouts& r) {
  const int32_t n = p.Size();
  const double t10 = p.t[std::min(shape.FirstAtLeast(0.1), n - 1)];
  const double t90 = p.t[std::min(shape.FirstAtLeast(0.9), n - 1)];
  r.WindowWidth = kSlopeWindowShare * (t90 - t10);
  const double sign = r.Amplitude > 0 ? 1 : -1;
  const TLine steepest = SteepestWindow(p, r.WindowWidth, t10, t90, sign);
  r.MaxSlope = steepest.Slope;
  r.MaxSlopeSE = steepest.SlopeSE;
  r.TMaxSlope = steepest.MeanT;
  r.LagTime = steepest.MeanT - (steepest.MeanY - r.Baseline) / steepest.Slope;
  const auto nearest = std::lower_bound(p.t.begin(), p.t.end(), r.THalf) - p.t.begin();
  const auto [from, to] =
      WindowAround(p, std::clamp(static_cast<int32_t>(nearest), 0, n - 1), r.WindowWidth);
  const TLine atHalf = FitLine(p, from, to);
  r.SlopeAtHalf = atHalf.Slope;
  r.SlopeAtHalfSE = atHalf.SlopeSE;
}

}  // namespace

TReadouts TraceReadouts(std::span<const double> time, std::span<const double> data) {
  const TPoints p = FinitePoints(time, data);
  const int32_t n = p.Size();
  if (n < kReadoutMinPoints) {
    return NoReadouts("Too few points for readouts: " + FormatInteger(n) + " (at least " +
                      FormatInteger(kReadoutMinPoints) + ").");
  }
  TReadouts r = NoReadouts({});
  r.Noise = NoiseLevel(p.y);
  const std::vector<double> smooth = RunningMedian(p.y);
  const int32_t ends = std::max(3, n / 20);
  r.Baseline = MedianOf(p.y, 0, ends);
  r.Plateau = MedianOf(p.y, n - ends, n);
  // Twice: the rough ends find the rise, the rise finds the points before and after it.
  for (int32_t round = 0; round < 2 && r.Plateau != r.Baseline; ++round) {
    BaselineAndPlateau(p, RiseShape(smooth, r.Baseline, r.Plateau), r);
  }
  r.Amplitude = r.Plateau - r.Baseline;
  if (!(std::fabs(r.Amplitude) > kRiseNoiseLevels * r.Noise)) {
    TReadouts none = NoReadouts("No readouts: the trace does not rise or fall beyond " +
                                FormatReal(kRiseNoiseLevels, FloatStyle::General, 15, 0) +
                                " times its noise (change " +
                                FormatReal(r.Amplitude, FloatStyle::General, 3, 0) + ", noise " +
                                FormatReal(r.Noise, FloatStyle::General, 3, 0) + ").");
    none.Noise = r.Noise;
    return none;
  }
  const TRiseShape shape = RiseShape(smooth, r.Baseline, r.Plateau);
  HalfTime(p, shape, r);
  Slopes(p, shape, r);
  r.Ok = std::isfinite(r.THalf) && std::isfinite(r.MaxSlope);
  if (!r.Ok) r.Message = "No readouts: the rise is too steep for the sampling of the trace.";
  return r;
}

double PolymerAt(double fraction, double gActin, double cc) {
  return (gActin - cc) * fraction;
}

TActinReadouts ActinReadouts(const TReadouts& readouts, double gActin,
                             const TReadoutConstants& constants) {
  TActinReadouts a{false, {}, kNaN, kNaN};
  if (!readouts.Ok) {
    a.Message = readouts.Message;
  } else if (!(gActin > constants.Cc)) {
    a.Message =
        "No elongation rate or barbed ends: the G-actin is not above the critical "
        "concentration.";
  } else if (!(constants.KPlus > 0)) {
    a.Message = "No barbed ends: k+ is not positive.";
  } else {
    const double polymer = gActin - constants.Cc;
    a.ElongationRate = polymer * readouts.SlopeAtHalf / std::fabs(readouts.Amplitude);
    const double monomerAtHalf = gActin - polymer / 2;
    a.BarbedEnds =
        1000 * std::fabs(a.ElongationRate) / (constants.KPlus * (monomerAtHalf - constants.Cc));
    a.Ok = std::isfinite(a.BarbedEnds);
  }
  return a;
}

}  // namespace actinfit
