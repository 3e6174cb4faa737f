// The shuffled minimal-standard generator: Park-Miller (16807, 2^31-1) by Schrage's method,
// behind a 32-entry Bays-Durham shuffle table. Never seeded from the clock: every process
// draws the same sequence from its start.
#pragma once

#include <array>
#include <cstdint>

namespace actinfit {

class TShuffledGenerator {
 public:
  // A value in (0, 1), at most 2147483646 / 2147483647.
  double Next();
  // a + (b - a) * r, with r = Next() rounded to a 32-bit float (so b itself can come out).
  double Uniform(double a, double b);

 private:
  int32_t s_ = 826364705;
  int32_t y_ = 0;
  std::array<int32_t, 32> v_{};
};

// The one generator of the process, used by ShuffledRandom and UniformRandom.
TShuffledGenerator& ProcessGenerator();

}  // namespace actinfit
