// How the readouts of a dilution series scale with the G-actin: the slopes of log t1/2 and of
// log |largest slope| against log [G], the field's first look at the mechanism.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/readouts.h"

namespace actinfit {

// The straight line of log y against log x.
struct TPowerLaw {
  double Exponent;      // the line's slope
  double StdError;      // NaN with fewer than three points
  double Lower, Upper;  // 95 % interval: Exponent -+ t(0.975, n - 2) x StdError
  double Prefactor;     // y = Prefactor x [G]^Exponent
  int32_t Points;
};

struct TReadoutScaling {
  TPowerLaw THalf;
  TPowerLaw MaxSlope;  // of its size, so that a falling series scales too
  int32_t Traces;      // with readouts and a positive G-actin
  double GMin, GMax;
};

// The fewest distinct G-actin concentrations a scaling needs.
inline constexpr int32_t kScalingMinConcentrations = 3;

// The power law of positive (x, y) pairs; nullopt with fewer than two distinct x.
std::optional<TPowerLaw> FitPowerLaw(std::span<const double> x, std::span<const double> y);

// The scaling of the traces with readouts and a positive G-actin; nullopt with fewer than
// kScalingMinConcentrations distinct concentrations among them.
std::optional<TReadoutScaling> ReadoutScaling(std::span<const double> gActin,
                                              std::span<const TReadouts> readouts);

// "t½ scales as [G]^-1.52 ± 0.04 (95 %: -1.69 to -1.35) and the largest slope as ..., over 5
// traces from 1 to 8 µM." with what the half-time exponent says of the nucleus.
std::string ScalingSentence(const TReadoutScaling& scaling);

}  // namespace actinfit
