// The local searches of a series fit: the axes they move on, a bounded Levenberg-Marquardt solve
// of the rates (and, jointly, the time shifts), and the search of each time shift over its
// stairs with the rates held.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/series_search.h"

namespace actinfit::series {

// One parameter of a local solve on the unit interval: a rate, linear or logarithmic as the
// refinement's axes are, or a trace's time shift, which takes only its stairs (Dt apart from
// its given value) since the error is flat within a stair.
struct TAxis {
  int32_t rate;   // 0, 1, 2 for Knuc, Kon, Koff; -1 for a time shift
  int32_t trace;  // the time shift's trace
  bool log;
  double lo, hi;
  double step;    // difference step of the Jacobian and the standard errors, in u
  double anchor;  // a time shift's stairs: anchor + k x stair
  double stair;   // 0 for a rate

  double Value(double u) const;
  double Unit(double value) const;  // clamped into [0, 1]
  double Slope(double u) const;     // d value / d u

  // The parameter's value at a point, and the point with it set.
  double At(const TPoint& point) const;
  void Set(TPoint& point, double value) const;
};

// The marked rates' axes, log where their bounds span kLogScaleRatio.
std::vector<TAxis> RateAxes(const TSeries& series);
// The same axis on other bounds (lo < hi).
TAxis NarrowedRate(const TAxis& axis, double lo, double hi);
// The axes of the marked time shifts with more than one stair within their bounds.
std::vector<TAxis> ShiftAxes(const TSeries& series);

// A combination of rates held in a profile: `dependent` (Knuc or Koff) follows Kon so that
// Knuc x Kon or Koff / Kon keeps `value`.
struct TRateTie {
  int32_t dependent;
  double value;
  double lo, hi;  // the dependent rate's bounds

  void Apply(std::array<double, 3>& rate) const;
};

// Bounded Levenberg-Marquardt over `axes` from `point`, forward-difference Jacobians of all
// axes evaluated together. Leaves the end in `point` and returns its SSR.
double Solve(TSearch& search, const std::vector<TAxis>& axes, TPoint& point,
             const std::optional<TRateTie>& tie = std::nullopt);

// Each marked time shift in turn, the others and the rates held: a coarse pass over its stairs
// (all of them evaluated together), then halving strides down to one stair around the best.
// `cost` is the SSR at `point`; returns the SSR at the end.
double SearchShifts(TSearch& search, TPoint& point, double cost);

// One start's local search: without marked time shifts, the rates' solve; with them, the shifts
// placed on their stairs for the start's rates, then rates and shifts solved together and the
// stairs searched again until the error stops dropping. Leaves the end in `point`; its SSR.
double SolveFromStart(TSearch& search, const std::vector<TAxis>& rateAxes, TPoint& point);

}  // namespace actinfit::series
