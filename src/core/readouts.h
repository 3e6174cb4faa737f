// The model-free readouts of one fluorescence trace, the numbers papers report from every
// pyrene curve: baseline, plateau, half-time, largest slope and lag; and, with the G-actin, the
// critical concentration and the barbed-end association rate, the elongation rate and the
// concentration of growing barbed ends at the half-time.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/defaults.h"

namespace actinfit {

// A rise (or fall) must exceed this many noise levels to be read.
inline constexpr double kRiseNoiseLevels = 5;
// The fewest points a trace needs, and a straight-line fit of the slope.
inline constexpr int32_t kReadoutMinPoints = 8;
inline constexpr int32_t kSlopeWindowPoints = 5;
// The sliding window of the largest slope, as a share of the 10-90 % rise time.
inline constexpr double kSlopeWindowShare = 0.1;

struct TReadouts {
  bool Ok = false;
  std::string Message;  // why there are none; with readouts, a caution or empty
  double Baseline;      // readings: median of the points before the rise
  double Plateau;       // median of the points after it
  double Amplitude;     // Plateau - Baseline: negative for a falling trace
  double Noise;         // standard deviation of a reading, from successive differences
  double THalf;         // s: where the 30-70 % line crosses half-way
  double THalfSE;
  double MaxSlope;  // readings per second, signed; the largest in size
  double MaxSlopeSE;
  double TMaxSlope;    // the mean time of its window
  double LagTime;      // where the tangent at the largest slope meets the baseline
  double SlopeAtHalf;  // readings per second from a window of the same width at THalf
  double SlopeAtHalfSE;
  double WindowWidth;  // s, of the slope fits
};

// The readouts of the points (time[i], data[i]); points that are not finite are left out and the
// rest taken in order of time. Never throws for data: a trace that cannot be read comes back
// with Ok false and a message saying why.
TReadouts TraceReadouts(std::span<const double> time, std::span<const double> data);

struct TReadoutConstants {
  double Cc = kDefaultCc;        // critical concentration, uM
  double KPlus = kDefaultKPlus;  // barbed-end association rate, uM-1s-1
};

// The readouts in micromolar, for a trace of `gActin` uM.
struct TActinReadouts {
  bool Ok = false;
  std::string Message;
  double ElongationRate;  // uM/s of polymer at the half-time, signed as the trace
  double BarbedEnds;      // nM of growing ends at the half-time
};

// Polymer (uM) at `fraction` of the rise: (G - Cc) x fraction.
double PolymerAt(double fraction, double gActin, double cc);

// The elongation rate and barbed ends at the half-time: rate = (G - Cc) x SlopeAtHalf /
// |Amplitude|, ends = |rate| / (k+ (G(t1/2) - Cc)) with G(t1/2) = G - (G - Cc) / 2. Not Ok without
// readouts, or with a G-actin that is not above Cc.
TActinReadouts ActinReadouts(const TReadouts& readouts, double gActin,
                             const TReadoutConstants& constants);

}  // namespace actinfit
