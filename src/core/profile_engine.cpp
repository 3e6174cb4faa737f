#include "core/profile_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numtext.h"

namespace actinfit::profile {
namespace {

// How often a lower point may move the best and start the profiles again; after that the
// profiles go on around the best so far.
constexpr int32_t kMaxRestarts = 4;

// The first outward step: 2 % on a log scale, or 2 % of the value (at least 0.1 % of the
// bounds' span) on a linear one. Later steps aim past the crossing that a parabola through the
// last point predicts, growing by 1.5 to 8 times.
constexpr double kFirstStep = 0.02;
constexpr double kLeastLinearStep = 1e-3;
constexpr double kOvershoot = 1.25;
constexpr double kLeastGrowth = 1.5;
constexpr double kMostGrowth = 8;
constexpr int32_t kMaxSteps = 60;
constexpr int32_t kMaxBisections = 80;

// A quantity on a log scale whose bound is 0 meets it below this fraction of the best value.
constexpr double kNearZero = 1e-12;

std::string Number(double value) {
  return FormatReal(value, FloatStyle::Exponent, 5, 2);
}

std::string Message(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an unknown error";
  }
}

struct TPoint {
  double value, ssr;
  TState state;
};

// How one direction of a walk ended.
enum class TEnd { Crossed, AtBound, Failed, Stopped, Moved };

struct TSide {
  double end;
  TEnd how;
  std::string message;  // of a failure
};

enum class TTry { Inside, Outside, Failed, Stopped, Moved };

// One quantity's profile: both directions from the best point.
class TWalk {
 public:
  TWalk(TProfileObjective& objective, const TQuantity& quantity, bool mayMove, int32_t done,
        int32_t total)
      : objective_(objective),
        quantity_(quantity),
        mayMove_(mayMove),
        done_(done),
        total_(total),
        ssrMin_(objective.BestSSR()),
        threshold_(objective.Threshold()) {
    const TState& best = objective.BestState();
    points_.push_back({objective.Value(quantity.id, best), ssrMin_, best});
    log_ = quantity.log && points_[0].value > 0;
  }

  // The profile, or nothing when the walk was stopped or met a lower point (`end` says which).
  std::optional<TQuantityProfile> Run(TEnd& end);

 private:
  TSide Walk(int32_t direction);
  TSide Bisect(TPoint inside, TPoint outside);
  TTry Try(double value, TPoint& point, std::string& message);
  const TPoint& Nearest(double value) const;
  double Crossing(const TPoint& p) const;
  double X(double value) const { return log_ ? std::log(value) : value; }
  double FromX(double x) const { return log_ ? std::exp(x) : x; }
  double LinearFloor() const { return kProfileTolerance * kLeastLinearStep * Span(); }
  double Span() const {
    const double span = quantity_.hi - quantity_.lo;
    return std::isfinite(span) ? span : 0;
  }

  TProfileObjective& objective_;
  const TQuantity& quantity_;
  bool mayMove_;
  int32_t done_, total_;
  double ssrMin_, threshold_;
  bool log_;
  std::vector<TPoint> points_;  // every solved point, the best first
};

std::optional<TQuantityProfile> TWalk::Run(TEnd& end) {
  const TSide low = Walk(-1);
  end = low.how;
  if (low.how == TEnd::Stopped || low.how == TEnd::Moved) return std::nullopt;
  const TSide high = Walk(1);
  end = high.how;
  if (high.how == TEnd::Stopped || high.how == TEnd::Moved) return std::nullopt;

  TQuantityProfile profile;
  profile.interval =
      TInterval{low.end, high.end, low.how == TEnd::AtBound, high.how == TEnd::AtBound};
  profile.status = TProfileStatus::Done;
  for (const TSide* side : {&low, &high}) {
    if (side->how != TEnd::Failed) continue;
    profile.status = TProfileStatus::CutShort;
    if (!profile.note.empty()) profile.note += "; ";
    profile.note += std::string("cut short ") + (side == &low ? "below " : "above ") +
                    Number(side->end) + " (" + side->message + ")";
  }
  std::vector<const TPoint*> sorted;
  for (const TPoint& p : points_) sorted.push_back(&p);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const TPoint* a, const TPoint* b) { return a->value < b->value; });
  for (const TPoint* p : sorted) {
    profile.curve.Value.push_back(p->value);
    profile.curve.SSR.push_back(p->ssr);
  }
  return profile;
}

// Outward steps until a held value lies outside (then the crossing is bisected) or the bound
// is reached inside.
TSide TWalk::Walk(int32_t direction) {
  const TPoint start = points_[0];
  const double bound = direction < 0 ? quantity_.lo : quantity_.hi;
  if (direction * (start.value - bound) >= 0) return {bound, TEnd::AtBound, {}};
  const double x0 = X(start.value);
  const double xBound = log_ && bound <= 0 ? x0 + std::log(kNearZero) : X(bound);
  double step =
      log_ ? kFirstStep : std::max(kFirstStep * std::fabs(start.value), kLeastLinearStep * Span());
  if (!(step > 0)) step = kFirstStep;
  TPoint inside = start;
  for (int32_t s = 0; s < kMaxSteps; ++s) {
    const double x = x0 + direction * step;
    const bool atBound = direction * (x - xBound) >= 0;
    const double value = atBound ? bound : FromX(x);
    TPoint point;
    std::string message;
    switch (Try(value, point, message)) {
      case TTry::Failed:
        return {inside.value, TEnd::Failed, message};
      case TTry::Stopped:
        return {inside.value, TEnd::Stopped, {}};
      case TTry::Moved:
        return {inside.value, TEnd::Moved, {}};
      case TTry::Outside:
        return Bisect(inside, point);
      case TTry::Inside:
        break;
    }
    if (atBound) return {bound, TEnd::AtBound, {}};
    inside = point;
    const double rise = point.ssr - ssrMin_;
    const double allowed = threshold_ - ssrMin_;
    const double aim =
        rise > 0 ? step * std::sqrt(allowed / rise) * kOvershoot : kMostGrowth * step;
    step = std::clamp(aim, kLeastGrowth * step, kMostGrowth * step);
  }
  return {inside.value, TEnd::Crossed, {}};
}

// Narrows [inside, outside] to kProfileTolerance: secant steps on the square root of the SSR's
// rise (nearly linear in the value where the profile is a parabola), kept off the ends, plain
// halving when they stop gaining.
TSide TWalk::Bisect(TPoint inside, TPoint outside) {
  const bool logScale = log_ && inside.value > 0 && outside.value > 0;
  const auto x = [&](double v) { return logScale ? std::log(v) : v; };
  const auto fromX = [&](double v) { return logScale ? std::exp(v) : v; };
  double reference = std::fabs(x(outside.value) - x(inside.value));
  int32_t stalled = 0;
  for (int32_t i = 0; i < kMaxBisections; ++i) {
    const double xa = x(inside.value), xb = x(outside.value);
    const double scale = std::max({std::fabs(inside.value), std::fabs(outside.value)});
    const double tolerance =
        logScale ? kProfileTolerance : std::max(kProfileTolerance * scale, LinearFloor());
    if (std::fabs(xb - xa) <= tolerance) break;
    const double ga = Crossing(inside), gb = Crossing(outside);
    double next = stalled >= 2 || !std::isfinite(gb) || !(gb > ga)
                      ? (xa + xb) / 2
                      : xa + (xb - xa) * -ga / (gb - ga);
    const double margin = 0.4 * tolerance;
    next = std::clamp(next, std::min(xa, xb) + margin, std::max(xa, xb) - margin);
    TPoint point;
    std::string message;
    switch (Try(fromX(next), point, message)) {
      case TTry::Failed:
        return {inside.value, TEnd::Failed, message};
      case TTry::Stopped:
        return {inside.value, TEnd::Stopped, {}};
      case TTry::Moved:
        return {inside.value, TEnd::Moved, {}};
      case TTry::Inside:
        inside = std::move(point);
        break;
      case TTry::Outside:
        outside = std::move(point);
        break;
    }
    const double width = std::fabs(x(outside.value) - x(inside.value));
    if (width <= reference / 2) {
      reference = width;
      stalled = 0;
    } else {
      ++stalled;
    }
  }
  return {inside.value, TEnd::Crossed, {}};
}

// Below 0 inside, above 0 outside.
double TWalk::Crossing(const TPoint& p) const {
  return std::sqrt(std::max(p.ssr - ssrMin_, 0.0)) - std::sqrt(threshold_ - ssrMin_);
}

const TPoint& TWalk::Nearest(double value) const {
  const TPoint* nearest = &points_[0];
  for (const TPoint& p : points_) {
    if (std::fabs(p.value - value) < std::fabs(nearest->value - value)) nearest = &p;
  }
  return *nearest;
}

TTry TWalk::Try(double value, TPoint& point, std::string& message) {
  if (objective_.Stopped(done_, total_)) return TTry::Stopped;
  THeldSolve solve = objective_.SolveHeld(quantity_.id, value, Nearest(value).state);
  if (solve.failure) {
    message = Message(solve.failure);
    return TTry::Failed;
  }
  if (objective_.Stopped(done_, total_)) return TTry::Stopped;
  if (mayMove_ && objective_.LowerPointFound()) return TTry::Moved;
  point = {value, solve.ssr, std::move(solve.state)};
  points_.push_back(point);
  return point.ssr <= threshold_ ? TTry::Inside : TTry::Outside;
}

}  // namespace

TProfilesOutcome RunProfiles(TProfileObjective& objective, std::span<const TQuantity> quantities) {
  TProfilesOutcome outcome;
  const auto total = static_cast<int32_t>(quantities.size());
  for (int32_t restarts = 0;; ++restarts) {
    outcome.profiles.assign(quantities.size(), TQuantityProfile{});
    bool restart = false;
    for (int32_t q = 0; q < total && !restart; ++q) {
      if (objective.Stopped(q, total)) {
        outcome.stopped = true;
        return outcome;
      }
      TWalk walk(objective, quantities[q], restarts < kMaxRestarts, q, total);
      TEnd end;
      std::optional<TQuantityProfile> profile = walk.Run(end);
      if (end == TEnd::Stopped) {
        outcome.stopped = true;
        return outcome;
      }
      if (end == TEnd::Moved) {
        objective.MoveToLowerPoint();
        outcome.moved = true;
        restart = true;
        break;
      }
      outcome.profiles[q] = std::move(*profile);
    }
    if (!restart) break;
  }
  return outcome;
}

}  // namespace actinfit::profile
