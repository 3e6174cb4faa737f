// Profile-likelihood intervals: how far each refined quantity can move, every other refined
// parameter refitted, before the fit becomes significantly worse.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/model.h"
#include "core/search.h"

namespace actinfit {

struct TInterval {
  double Low, High;              // ends of the 95 % profile interval
  bool LowAtBound, HighAtBound;  // that end is the quantity's bound
};

// What an interval's two ends cannot say: the allowed values in more than one piece (the
// interval is then from the first piece's low to the last's high), and an end where the profile
// jumps across the threshold (the Euler steps or the time-shift stairs) rather than crossing it.
struct TIntervalShape {
  std::vector<std::pair<double, double>> Pieces;  // ascending; empty when one piece
  bool LowJump = false, HighJump = false;
};

// The quantities profiled: the five parameters in their order, then the two combinations.
inline constexpr int32_t kProfileKnucKon = 5;  // the product Knuc x Kon, uM^-3 s^-2
inline constexpr int32_t kProfileKoffKon = 6;  // the ratio Koff / Kon, uM
inline constexpr int32_t kProfileQuantities = 7;

// One profile as the literature plots it: the held value (ascending) and the least SSR there.
struct TProfileCurve {
  std::vector<double> Value;
  std::vector<double> SSR;
};

enum class TProfileStatus {
  NotProfiled,  // not refined (or the combination needs a rate that is not)
  Done,
  CutShort,    // an evaluation failed inside the profile: the interval so far, see Note
  Unfinished,  // stopped before this quantity was finished
};

struct TProfileResult {
  std::array<std::optional<TInterval>, 5> Param;  // each refined parameter but TShift
  std::optional<TInterval> KnucKon;               // the product Knuc x Kon
  std::optional<TInterval> KoffKon;               // the ratio Koff / Kon, in uM

  // Per quantity (index as above): its profile, how it ended and why it was cut short.
  std::array<TProfileCurve, kProfileQuantities> Curve;
  std::array<TProfileStatus, kProfileQuantities> Status{};
  std::array<std::string, kProfileQuantities> Note;
  std::array<TIntervalShape, kProfileQuantities> Shape;

  double SSRMin = 0;       // the least SSR, at the best point (the record's Param at the end)
  double Threshold = 0;    // SSR below which a held value lies inside its interval
  int32_t Points = 0;      // n
  int32_t Parameters = 0;  // p
  bool BestMoved = false;  // a profile found a lower SSR: the best point moved there
  bool Stopped = false;
};

// The intervals around the refined best point that `model` holds in Param (as
// RefineLeastSquares leaves it); marks and bounds as for the refinement. Leaves the best point
// (moved, if a profile found a better one) in Param.
TProfileResult ProfileIntervals(TModel& model, double level = 0.95);

struct TProfileProgress {
  int32_t QuantitiesDone;
  int32_t Quantities;
};

// Returning false stops with the intervals finished so far (the others Unfinished).
using ProfileReport = std::function<bool(const TProfileProgress& progress)>;

// The same for the window: the record taken anew after every report.
TProfileResult ProfileIntervals(const ModelAccess& model, const ProfileReport& report,
                                double level = 0.95);

}  // namespace actinfit
