// The profile walk on an objective whose profiles are known in closed form, as another fit (a
// series of traces) would plug into it.
#include "core/profile_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "core/errors.h"

namespace actinfit::profile {
namespace {

double Square(double x) {
  return x * x;
}

// SSR(x) = 100 + (x0 - 5)^2 + 4 (x1 - 2)^2 + 100 max(x2 - 1, 0)^2, each held solve exact (the
// others at their optimum), the threshold SSRmin + 1. Quantity 3 is x0 again; x1 above 2.3 fails.
class TKnownObjective final : public TProfileObjective {
 public:
  static double SSR(const TState& s) {
    return 100 + Square(s[0] - 5) + 4 * Square(s[1] - 2) + 100 * Square(std::max(s[2] - 1, 0.0));
  }
  double BestSSR() const override { return SSR(best_); }
  const TState& BestState() const override { return best_; }
  double Threshold() const override { return BestSSR() + 1; }
  double Value(int32_t quantity, const TState& state) const override {
    return state[quantity == 3 ? 0 : quantity];
  }
  THeldSolve SolveHeld(int32_t quantity, double value, const TState& warm) override {
    ++solves;
    const size_t x = quantity == 3 ? 0 : static_cast<size_t>(quantity);
    // The warm start is the nearest point solved so far.
    nearestGap = std::max(nearestGap, std::fabs(warm[x] - value) - NearestGap(quantity, value));
    if (x == 1 && value > 2.3) return {0, {}, std::make_exception_ptr(EOverflow())};
    held[quantity].push_back(value);
    TState s{5, 2, 1};
    s[x] = value;
    lowest = std::min(lowest, SSR(s));
    return {SSR(s), s, nullptr};
  }
  bool LowerPointFound() const override { return lowest < BestSSR() - 1e-12; }
  void MoveToLowerPoint() override {
    best_ = {5, 2, 1};
    held = {};
  }
  bool Stopped(int32_t done, int32_t) override { return done >= stopAfterQuantities; }

  TState best_{5.3, 2, 1};
  int32_t solves = 0;
  int32_t stopAfterQuantities = 100;
  double lowest = std::numeric_limits<double>::infinity();
  double nearestGap = 0;  // how much nearer than the warm start some solved point was
  std::array<std::vector<double>, 4> held;  // the values solved, per quantity

 private:
  double NearestGap(int32_t quantity, double value) const {
    double gap = std::fabs(best_[quantity == 3 ? 0 : quantity] - value);
    for (const double v : held[quantity]) gap = std::min(gap, std::fabs(v - value));
    return gap;
  }
};

const TQuantity kQuantities[] = {
    {0, 0, 10, false},  // [4, 6]
    {1, 0, 10, true},   // [1.5, 2.5], cut short above 2.3
    {2, 0, 10, true},   // flat down to its bound 0, up to 1.1
    {3, 4.5, 10, false},
};

TEST(ProfileEngine, KnownProfilesEndsBoundsAFailureAndAMovedBest) {
  TKnownObjective objective;
  const TProfilesOutcome outcome = RunProfiles(objective, kQuantities);
  EXPECT_TRUE(outcome.moved);  // the best started at x0 = 5.3
  EXPECT_FALSE(outcome.stopped);
  ASSERT_EQ(outcome.profiles.size(), 4u);
  EXPECT_EQ(objective.nearestGap, 0);

  struct Expected {
    double low, high;
    bool lowAtBound, highAtBound;
    TProfileStatus status;
  };
  const Expected expected[] = {
      {4, 6, false, false, TProfileStatus::Done},
      {1.5, 2.3, false, false, TProfileStatus::CutShort},
      {0, 1.1, true, false, TProfileStatus::Done},
      {4.5, 6, true, false, TProfileStatus::Done},
  };
  for (size_t q = 0; q < 4; ++q) {
    const TQuantityProfile& p = outcome.profiles[q];
    const Expected& e = expected[q];
    ASSERT_TRUE(p.interval.has_value()) << q;
    EXPECT_EQ(p.status, e.status) << q;
    EXPECT_EQ(p.interval->LowAtBound, e.lowAtBound) << q;
    EXPECT_EQ(p.interval->HighAtBound, e.highAtBound) << q;
    EXPECT_NEAR(p.interval->Low, e.low, kProfileTolerance * e.low) << q;
    if (e.status == TProfileStatus::Done) {
      EXPECT_NEAR(p.interval->High, e.high, kProfileTolerance * e.high) << q;
    }
    // Every end is a held value inside the threshold.
    for (const double end : {p.interval->Low, p.interval->High}) {
      TState s{5, 2, 1};
      s[q == 3 ? 0 : q] = end;
      EXPECT_LE(TKnownObjective::SSR(s), 101) << q;
    }
    EXPECT_EQ(p.curve.Value.size(), p.curve.SSR.size());
  }
  // Cut short: the last value inside below the failing one.
  EXPECT_LE(outcome.profiles[1].interval->High, 2.3);
  EXPECT_GT(outcome.profiles[1].interval->High, 2.0);
  EXPECT_NE(outcome.profiles[1].note.find("cut short above"), std::string::npos);
  EXPECT_NE(outcome.profiles[1].note.find("Floating point overflow"), std::string::npos);
  EXPECT_TRUE(outcome.profiles[0].note.empty());
  // A parabola's crossing is found in a few solves, not by halving alone.
  EXPECT_LE(objective.held[0].size(), 40u);
}

TEST(ProfileEngine, AStopKeepsTheQuantitiesFinished) {
  TKnownObjective objective;
  objective.best_ = {5, 2, 1};
  objective.stopAfterQuantities = 1;
  const TProfilesOutcome outcome = RunProfiles(objective, kQuantities);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_FALSE(outcome.moved);
  EXPECT_EQ(outcome.profiles[0].status, TProfileStatus::Done);
  for (size_t q = 1; q < 4; ++q) {
    EXPECT_EQ(outcome.profiles[q].status, TProfileStatus::Unfinished) << q;
    EXPECT_FALSE(outcome.profiles[q].interval.has_value()) << q;
  }

  TKnownObjective atOnce;
  atOnce.stopAfterQuantities = 0;
  const TProfilesOutcome none = RunProfiles(atOnce, kQuantities);
  EXPECT_TRUE(none.stopped);
  EXPECT_EQ(atOnce.solves, 0);
}

// One quantity whose profile is a given function of the held value; the best at `best`, the
// threshold SSRmin + 1.
class TOneDimensional final : public TProfileObjective {
 public:
  TOneDimensional(double (*ssr)(double), double best) : ssr_(ssr), best_{best} {}
  double BestSSR() const override { return ssr_(best_[0]); }
  const TState& BestState() const override { return best_; }
  double Threshold() const override { return BestSSR() + 1; }
  double Value(int32_t, const TState& state) const override { return state[0]; }
  THeldSolve SolveHeld(int32_t, double value, const TState&) override {
    return {ssr_(value), {value}, nullptr};
  }
  bool LowerPointFound() const override { return false; }
  void MoveToLowerPoint() override {}
  bool Stopped(int32_t, int32_t) override { return false; }

 private:
  double (*ssr_)(double);
  TState best_;
};

// Two valleys, the second beyond a ridge: the walk must not stop at the first valley's end,
// and says the allowed values are two pieces. A step in the profile (as the Euler steps or the
// time-shift stairs make one) is reported as a jump at that end, not a crossing.
TEST(ProfileEngine, AValleyBeyondARidgeIsFoundAndAStepIsAJump) {
  struct Case {
    const char* name;
    double (*ssr)(double);
    double best, lo, hi;
    bool log;
    std::vector<std::pair<double, double>> pieces;  // empty: one piece
    double low, high;
    bool lowJump, highJump;
  };
  const double r = std::sqrt(0.5);
  const Case cases[] = {
      {"two valleys, linear",
       [](double x) { return 100 + std::min(Square(x - 5), Square(x - 9) + 0.5); },
       5,
       0,
       20,
       false,
       {{4, 6}, {9 - std::sqrt(0.5), 9 + std::sqrt(0.5)}},
       4,
       9 + r,
       false,
       false},
      // On a log scale: valleys at e^0 and e^2, each 0.5 wide in the logarithm.
      {"two valleys, log",
       [](double x) {
         const double l = std::log(x);
         return 100 + 4 * std::min(Square(l), Square(l - 2) + 0.1);
       },
       1,
       1e-3,
       1e3,
       true,
       {{std::exp(-0.5), std::exp(0.5)},
        {std::exp(2 - std::sqrt(0.15)), std::exp(2 + std::sqrt(0.15))}},
       std::exp(-0.5),
       std::exp(2 + std::sqrt(0.15)),
       false,
       false},
      {"a step above 2.5",
       [](double x) { return 100 + (x > 2.5 ? 3 : 0.1 * Square(x - 2)); },
       2,
       -5,
       10,
       false,
       {},
       2 - std::sqrt(10),
       2.5,
       false,
       true},
  };
  for (const Case& c : cases) {
    TOneDimensional objective(c.ssr, c.best);
    const TQuantity quantity{0, c.lo, c.hi, c.log};
    const TProfilesOutcome outcome = RunProfiles(objective, std::span(&quantity, 1));
    const TQuantityProfile& p = outcome.profiles[0];
    ASSERT_TRUE(p.interval.has_value()) << c.name;
    EXPECT_EQ(p.status, TProfileStatus::Done) << c.name;
    EXPECT_NEAR(p.interval->Low, c.low, 1e-3 * std::fabs(c.low)) << c.name;
    EXPECT_NEAR(p.interval->High, c.high, 1e-3 * std::fabs(c.high)) << c.name;
    EXPECT_EQ(p.shape.LowJump, c.lowJump) << c.name;
    EXPECT_EQ(p.shape.HighJump, c.highJump) << c.name;
    ASSERT_EQ(p.shape.Pieces.size(), c.pieces.size()) << c.name;
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      EXPECT_NEAR(p.shape.Pieces[i].first, c.pieces[i].first, 1e-3 * c.pieces[i].first) << c.name;
      EXPECT_NEAR(p.shape.Pieces[i].second, c.pieces[i].second, 1e-3 * c.pieces[i].second)
          << c.name;
      // Every piece's ends lie inside; the gap between two pieces outside.
      EXPECT_LE(c.ssr(p.shape.Pieces[i].first), objective.Threshold()) << c.name;
      EXPECT_LE(c.ssr(p.shape.Pieces[i].second), objective.Threshold()) << c.name;
      if (i > 0) {
        const double gap = (p.shape.Pieces[i - 1].second + p.shape.Pieces[i].first) / 2;
        EXPECT_GT(c.ssr(gap), objective.Threshold()) << c.name;
      }
    }
    if (!c.pieces.empty()) {
      EXPECT_NE(p.note.find("the data allow values from "), std::string::npos) << p.note;
      EXPECT_NE(p.note.find(" and from "), std::string::npos) << p.note;
    }
    if (c.highJump) {
      EXPECT_NE(p.note.find("jumps across the threshold"), std::string::npos) << p.note;
    }
  }
}

}  // namespace
}  // namespace actinfit::profile
