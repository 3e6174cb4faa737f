#include "core/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include "core/model.h"

namespace actinfit {
namespace {

// Park-Miller from seed 1 behind the shuffle table: the first five values, to eight decimals.
TEST(ShuffledGenerator, StartsWithTheKnownSequence) {
  TShuffledGenerator g;
  const double expected[5] = {0.41599936, 0.09196489, 0.75641049, 0.52970019, 0.93043649};
  for (double e : expected) EXPECT_NEAR(g.Next(), e, 0.5e-8);
}

TEST(ShuffledGenerator, ProcessGeneratorStartsFromTheSameStateInEveryProcess) {
  // A fresh process: the "threadsafe" style runs the statement in a newly started copy of this
  // test program, before anything else could draw from the process-wide generator.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        bool same = static_cast<float>(ShuffledRandom()) == 0.41599935f;
        TShuffledGenerator fresh;
        fresh.Next();
        for (int i = 0; i < 100; ++i) same = same && ShuffledRandom() == fresh.Next();
        std::exit(same ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ShuffledGenerator, StaysInsideTheOpenInterval) {
  TShuffledGenerator g;
  std::set<double> seen;
  for (int i = 0; i < 200000; ++i) {
    const double r = g.Next();
    ASSERT_GT(r, 0);
    ASSERT_LE(r, 2147483646.0 / 2147483647.0);
    seen.insert(r);
  }
  EXPECT_GT(seen.size(), 199000u);
}

TEST(UniformRandom, DrawsLinearlyBetweenTheBoundsInEitherOrder) {
  TShuffledGenerator g;
  EXPECT_EQ(g.Uniform(3.5, 3.5), 3.5);
  for (int i = 0; i < 1000; ++i) {
    const double v = g.Uniform(5, 2);
    ASSERT_GE(v, 2);
    ASSERT_LE(v, 5);
  }
  // Linear, not logarithmic: between 1e-11 and 1e-6 about nine draws in ten lie above 1e-7.
  int above = 0;
  for (int i = 0; i < 10000; ++i) above += g.Uniform(1e-11, 1e-6) > 1e-7;
  EXPECT_NEAR(above / 10000.0, 0.9, 0.02);
}

TEST(UniformRandom, RoundsTheDrawToAFloatBeforeScaling) {
  TShuffledGenerator a, b;
  const double r = a.Next();
  EXPECT_EQ(b.Uniform(0, 1), static_cast<double>(static_cast<float>(r)));
}

}  // namespace
}  // namespace actinfit
