// The profile walk on an objective whose profiles are known in closed form, as another fit (a
// series of traces) would plug into it.
#include "core/profile_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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

}  // namespace
}  // namespace actinfit::profile
