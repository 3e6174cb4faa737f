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

// Before an end is taken, held values this many times as far out (in the logarithm's ratio on
// a log scale, in the distance from the best on a linear one) are solved: a valley beyond a
// ridge, or a solve that ran into the wrong valley, would otherwise end the interval too soon.
constexpr double kBeyond[] = {1.15, 1.5, 2.5, 4};
// How many further pieces a walk follows before it takes the end it has.
constexpr int32_t kMaxPieces = 8;
// A crossing narrowed down to the tolerance across which the SSR still changes by more than
// this share of the allowed rise is a jump (Euler steps, time-shift stairs), not a crossing.
constexpr double kJump = 0.5;

std::string Number(double value) {
  return FormatReal(value, FloatStyle::Exponent, 5, 2);
}

std::string Short(double value) {
  return FormatReal(value, FloatStyle::General, 4, 0);
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
  std::string message;                          // of a failure
  bool jump = false;                            // the profile jumps across the threshold at `end`
  std::vector<std::pair<double, double>> gaps;  // excluded ranges inside the outer end
};

// How a stretch of outward steps ended: at a crossing (inside, outside) or otherwise.
struct TStretch {
  TEnd how;
  TPoint inside, outside;
  std::string message;
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
  TStretch StepOut(int32_t direction, const TPoint& from, double step);
  TTry Narrow(TPoint& inside, TPoint& outside, std::string& message);
  TTry Beyond(int32_t direction, const TPoint& end, TPoint& found, std::string& message);
  TTry Try(double value, TPoint& point, std::string& message, const TState* warm = nullptr);
  TTry MarchBack(int32_t direction, double end, TPoint& inside, TPoint& outside,
                 std::string& message);
  void Shape(const TSide& low, const TSide& high, TQuantityProfile& profile) const;
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
  Shape(low, high, profile);
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

// The pieces between the gaps the two sides met, and their jumps, in the shape and the note.
void TWalk::Shape(const TSide& low, const TSide& high, TQuantityProfile& profile) const {
  TIntervalShape& shape = profile.shape;
  shape.LowJump = low.jump;
  shape.HighJump = high.jump;
  std::vector<std::pair<double, double>> gaps(low.gaps.rbegin(), low.gaps.rend());
  gaps.insert(gaps.end(), high.gaps.begin(), high.gaps.end());
  if (!gaps.empty()) {
    double from = low.end;
    for (const auto& [a, b] : gaps) {
      shape.Pieces.emplace_back(from, a);
      from = b;
    }
    shape.Pieces.emplace_back(from, high.end);
  }
  std::vector<std::string> words;
  if (!profile.note.empty()) words.push_back(profile.note);
  if (!shape.Pieces.empty()) words.push_back(PiecesSentence("values", shape));
  for (const TSide* side : {&low, &high}) {
    if (side->jump) {
      words.push_back("the profile jumps across the threshold at " + Short(side->end) +
                      " (the Euler steps or the time-shift stairs): that end is a jump");
    }
  }
  profile.note.clear();
  for (const std::string& w : words) profile.note += (profile.note.empty() ? "" : "; ") + w;
}

// From the best point outward: stretches of steps, each ending at a crossing that is narrowed
// down; held values beyond it are solved, and one inside carries the walk on from there (the
// range between is a gap). The end is the last crossing's inside value, or the bound.
TSide TWalk::Walk(int32_t direction) {
  const double bound = direction < 0 ? quantity_.lo : quantity_.hi;
  if (direction * (points_[0].value - bound) >= 0) return {bound, TEnd::AtBound, {}, false, {}};
  TSide side{points_[0].value, TEnd::Crossed, {}, false, {}};
  TPoint from = points_[0];
  double step = 0;
  for (int32_t piece = 0; piece < kMaxPieces; ++piece) {
    TStretch stretch = StepOut(direction, from, step);
    if (stretch.how != TEnd::Crossed) {
      side.how = stretch.how;
      side.message = std::move(stretch.message);
      side.end = stretch.how == TEnd::AtBound ? bound : stretch.inside.value;
      return side;
    }
    std::string message;
    TTry narrowed = Narrow(stretch.inside, stretch.outside, message);
    side.end = stretch.inside.value;
    if (narrowed != TTry::Inside) {
      side.how = narrowed == TTry::Failed  ? TEnd::Failed
                 : narrowed == TTry::Moved ? TEnd::Moved
                                           : TEnd::Stopped;
      side.message = std::move(message);
      return side;
    }
    side.jump = stretch.outside.ssr - stretch.inside.ssr > kJump * (threshold_ - ssrMin_);
    TPoint found;
    switch (Beyond(direction, stretch.inside, found, message)) {
      case TTry::Outside:
        return side;
      case TTry::Failed:
        side.how = TEnd::Failed;
        side.message = std::move(message);
        return side;
      case TTry::Stopped:
        side.how = TEnd::Stopped;
        return side;
      case TTry::Moved:
        side.how = TEnd::Moved;
        return side;
      case TTry::Inside:
        break;
    }
    // Back from the value found toward the end, each solve from the one before: a gap that a
    // solve from the valley beyond fills was only a solve from the near side gone astray.
    TPoint reentry = found, edge;
    const TTry back = MarchBack(direction, side.end, reentry, edge, message);
    if (back == TTry::Failed || back == TTry::Stopped || back == TTry::Moved) {
      side.how = back == TTry::Failed  ? TEnd::Failed
                 : back == TTry::Moved ? TEnd::Moved
                                       : TEnd::Stopped;
      side.message = std::move(message);
      return side;
    }
    side.jump = false;
    if (back == TTry::Outside) {
      narrowed = Narrow(reentry, edge, message);
      if (narrowed == TTry::Stopped || narrowed == TTry::Moved) {
        side.how = narrowed == TTry::Moved ? TEnd::Moved : TEnd::Stopped;
        return side;
      }
      side.gaps.emplace_back(std::min(side.end, reentry.value), std::max(side.end, reentry.value));
    }
    from = found;
    step = std::max(kFirstStep, 0.1 * std::fabs(X(found.value) - X(points_[0].value)));
  }
  return side;
}

// Outward steps from `from` (inside) until a held value lies outside or the bound is reached
// inside; the first step `step` (0: the walk's first step from the best point).
TStretch TWalk::StepOut(int32_t direction, const TPoint& from, double step) {
  const double bound = direction < 0 ? quantity_.lo : quantity_.hi;
  const double x0 = X(from.value);
  const double xBound = log_ && bound <= 0 ? X(points_[0].value) + std::log(kNearZero) : X(bound);
  if (step <= 0) {
    step =
        log_ ? kFirstStep : std::max(kFirstStep * std::fabs(from.value), kLeastLinearStep * Span());
  }
  if (!(step > 0)) step = kFirstStep;
  TStretch stretch{TEnd::Crossed, from, {}, {}};
  if (direction * (x0 - xBound) >= 0) {
    stretch.how = TEnd::AtBound;
    return stretch;
  }
  for (int32_t s = 0; s < kMaxSteps; ++s) {
    const double x = x0 + direction * step;
    const bool atBound = direction * (x - xBound) >= 0;
    const double value = atBound ? bound : FromX(x);
    TPoint point;
    switch (Try(value, point, stretch.message)) {
      case TTry::Failed:
        stretch.how = TEnd::Failed;
        return stretch;
      case TTry::Stopped:
        stretch.how = TEnd::Stopped;
        return stretch;
      case TTry::Moved:
        stretch.how = TEnd::Moved;
        return stretch;
      case TTry::Outside:
        stretch.outside = std::move(point);
        return stretch;
      case TTry::Inside:
        break;
    }
    stretch.inside = point;
    if (atBound) {
      stretch.how = TEnd::AtBound;
      return stretch;
    }
    // Aim past the crossing that a parabola through `from` and this point predicts.
    const double rise = point.ssr - from.ssr;
    const double allowed = threshold_ - from.ssr;
    const double aim =
        rise > 0 ? step * std::sqrt(allowed / rise) * kOvershoot : kMostGrowth * step;
    step = std::clamp(aim, kLeastGrowth * step, kMostGrowth * step);
  }
  return stretch;
}

// Held values kBeyond times as far out as `end` from the best point, up to the bound; the
// first inside is `found` (Inside), or Outside when none is.
TTry TWalk::Beyond(int32_t direction, const TPoint& end, TPoint& found, std::string& message) {
  const double bound = direction < 0 ? quantity_.lo : quantity_.hi;
  const double xBound = log_ && bound <= 0 ? X(points_[0].value) + std::log(kNearZero) : X(bound);
  const double xEnd = X(end.value);
  const double reach = log_ ? 1 : std::max(std::fabs(xEnd - X(points_[0].value)), LinearFloor());
  for (const double factor : kBeyond) {
    const double x =
        log_ ? xEnd + direction * std::log(factor) : xEnd + direction * (factor - 1) * reach;
    const bool atBound = direction * (x - xBound) >= 0;
    const TTry t = Try(atBound ? bound : FromX(x), found, message);
    if (t != TTry::Outside) return t;
    if (atBound) break;
  }
  return TTry::Outside;
}

// Narrows [inside, outside] to kProfileTolerance: secant steps on the square root of the SSR's
// rise (nearly linear in the value where the profile is a parabola), kept off the ends, plain
// halving when they stop gaining. Inside when narrowed down, else how it was cut off.
TTry TWalk::Narrow(TPoint& inside, TPoint& outside, std::string& message) {
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
    const TTry t = Try(fromX(next), point, message);
    if (t == TTry::Inside) {
      inside = std::move(point);
    } else if (t == TTry::Outside) {
      outside = std::move(point);
    } else {
      return t;
    }
    const double width = std::fabs(x(outside.value) - x(inside.value));
    if (width <= reference / 2) {
      reference = width;
      stalled = 0;
    } else {
      ++stalled;
    }
  }
  return TTry::Inside;
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

// From `inside` back toward `end` in steps that double from a sixteenth of the way, each solve
// started from the one before: Outside at the first value outside (`inside` is then the last
// inside before it), Inside when every value up to `end` is inside.
TTry TWalk::MarchBack(int32_t direction, double end, TPoint& inside, TPoint& outside,
                      std::string& message) {
  const double xEnd = X(end), length = std::fabs(X(inside.value) - xEnd);
  double travelled = 0;
  for (double step = length / 16; travelled + step < length; step *= 2) {
    travelled += step;
    const double value = FromX(X(inside.value) - direction * step);
    TPoint point;
    const TTry t = Try(value, point, message, &inside.state);
    if (t == TTry::Outside) {
      outside = std::move(point);
      return t;
    }
    if (t != TTry::Inside) return t;
    inside = std::move(point);
  }
  return TTry::Inside;
}

TTry TWalk::Try(double value, TPoint& point, std::string& message, const TState* warm) {
  if (objective_.Stopped(done_, total_)) return TTry::Stopped;
  THeldSolve solve =
      objective_.SolveHeld(quantity_.id, value, warm != nullptr ? *warm : Nearest(value).state);
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

std::string PiecesSentence(const std::string& name, const TIntervalShape& shape) {
  std::string sentence = "the data allow " + name;
  for (size_t i = 0; i < shape.Pieces.size(); ++i) {
    sentence += (i == 0 ? " from " : " and from ") + Short(shape.Pieces[i].first) + " to " +
                Short(shape.Pieces[i].second);
  }
  return sentence;
}

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
