// The walk of profile likelihood, apart from what is fitted: from the best point, outward steps
// in each direction until the profile SSR crosses the threshold or the quantity reaches its bound,
// then an interpolating bisection of the crossing; each held solve warm-started from the nearest
// solved point; a lower SSR met on the way moves the best point and starts the profiles again.
// The objective (one trace, a series of traces) solves "the least SSR with this quantity held".
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/profile.h"

namespace actinfit::profile {

// The objective's free parameters at a solve's end, opaque to the walk: the warm start of the
// next solve nearby.
using TState = std::vector<double>;

// One held solve.
struct THeldSolve {
  double ssr;                  // the least SSR found with the quantity held (infinite: none)
  TState state;                // where
  std::exception_ptr failure;  // an evaluation failed: the walk in this direction ends
};

class TProfileObjective {
 public:
  virtual ~TProfileObjective() = default;

  // The best point: its SSR, its state, and the threshold SSR (which depends on the parameters
  // not on a bound there).
  virtual double BestSSR() const = 0;
  virtual const TState& BestState() const = 0;
  virtual double Threshold() const = 0;
  // The value of a quantity at a state.
  virtual double Value(int32_t quantity, const TState& state) const = 0;

  virtual THeldSolve SolveHeld(int32_t quantity, double value, const TState& warm) = 0;

  // Whether some solve met a point whose SSR is below the best's by more than rounding.
  virtual bool LowerPointFound() const = 0;
  // Makes that point (refined further) the best.
  virtual void MoveToLowerPoint() = 0;

  // Tells the caller how far the profiles are; true when they are to stop.
  virtual bool Stopped(int32_t quantitiesDone, int32_t quantities) = 0;
};

// A quantity to profile: its id for the objective, its bounds, and whether it steps on a log
// scale (the rates and their combinations).
struct TQuantity {
  int32_t id;
  double lo, hi;
  bool log;
};

struct TQuantityProfile {
  std::optional<TInterval> interval;
  TProfileCurve curve;
  TProfileStatus status = TProfileStatus::Unfinished;
  std::string note;  // cut short, pieces, jumps: in words
  TIntervalShape shape;
};

// "the data allow Kon from 1 to 3.6 and from 4.1 to 12.6" for `name` and its pieces.
std::string PiecesSentence(const std::string& name, const TIntervalShape& shape);

struct TProfilesOutcome {
  std::vector<TQuantityProfile> profiles;  // one per quantity, in their order
  bool moved = false;                      // the best point moved
  bool stopped = false;
};

// Held values are bisected until the two ends of a crossing lie this close, relatively.
inline constexpr double kProfileTolerance = 1e-4;

// The profiles of `quantities` around the objective's best point.
TProfilesOutcome RunProfiles(TProfileObjective& objective, std::span<const TQuantity> quantities);

}  // namespace actinfit::profile
