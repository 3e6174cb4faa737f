#include "core/random.h"

#include "core/fpu.h"
#include "core/model.h"

namespace actinfit {
namespace {

constexpr int32_t kMultiplier = 16807;
constexpr int32_t kModulus = 2147483647;
constexpr int32_t kQuotient = 127773;        // kModulus / kMultiplier
constexpr int32_t kRemainder = 2836;         // kModulus % kMultiplier
constexpr int32_t kTableDivisor = 67108864;  // 1 + (kModulus - 1) / 32
constexpr double kScale = 1.0 / 2147483647.0;

// One minimal-standard step; Schrage's decomposition keeps it inside 32 bits.
int32_t Advance(int32_t s) {
  const int32_t k = s / kQuotient;
  s = kMultiplier * (s - k * kQuotient) - kRemainder * k;
  if (s < 0) s += kModulus;
  return s;
}

}  // namespace

double TShuffledGenerator::Next() {
  if (s_ <= 0 || y_ == 0) {
    s_ = (-s_ < 1) ? 1 : -s_;
    for (int32_t j = 39; j >= 0; --j) {
      s_ = Advance(s_);
      if (j < 32) v_[j] = s_;
    }
    y_ = v_[0];
  }
  s_ = Advance(s_);
  const int32_t j = y_ / kTableDivisor;
  y_ = v_[j];
  v_[j] = s_;
  return y_ * kScale;
}

double TShuffledGenerator::Uniform(double a, double b) {
  const float r = static_cast<float>(Next());
  return Checked([&] { return a + (b - a) * static_cast<double>(r); });
}

TShuffledGenerator& ProcessGenerator() {
  static TShuffledGenerator generator;
  return generator;
}

double ShuffledRandom() {
  return ProcessGenerator().Next();
}
double UniformRandom(double a, double b) {
  return ProcessGenerator().Uniform(a, b);
}

}  // namespace actinfit
