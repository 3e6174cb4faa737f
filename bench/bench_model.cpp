// Evaluate on the default case against a bare loop of the same recurrence.
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/model.h"
#include "model_fixtures.h"

namespace {

constexpr double kSteps = 11000;  // (1200 - 100) / 0.1

void BM_Evaluate(benchmark::State& state) {
  actinfit::TModel m = actinfit::testing::DefaultModel();
  for (auto _ : state) benchmark::DoNotOptimize(actinfit::Evaluate(m));
  state.counters["ns_per_step"] = benchmark::Counter(
      kSteps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Evaluate);

// The same step with no record, no sampling, no scaling and no error checks: the floor that
// Evaluate's bookkeeping is measured against.
void BM_BareRecurrence(benchmark::State& state) {
  // Opaque inputs read every round, so the loop cannot be hoisted out of the timing.
  volatile double inKnuc = 1e-8, inKon = 8, inKoff = 1, inDt = 0.1, inEnd = 1200;
  for (auto _ : state) {
    const double knuc = inKnuc, kon = inKon, koff = inKoff, dt = inDt, tEnd = inEnd;
    const double tStart = 100;
    const double sk = std::sqrt(koff) * (2 / kon), knuc3 = 3 * knuc, total = 6;
    double c0 = 6, c1 = 0, c2 = 0, g = 6, f = 0, n = 0, t = tStart;
    while (t < tEnd) {
      const double fl = f < 1e-20 ? 1e-20 : f;
      const double g3 = g * g * g;
      const double kg3 = knuc * g3;
      const double e = sk * n / fl + kg3;
      c1 += dt * (knuc3 * g3 + kon * g * n - (2 * e + 1) * koff * n);
      c0 = total - c1;
      c2 += dt * (kg3 - e * koff * n);
      t += dt;
      g = c0 < 0 ? 0 : c0;
      f = c1 < 0 ? 0 : c1;
      n = c2 < 0 ? 0 : c2;
    }
    benchmark::DoNotOptimize(c1);
    benchmark::DoNotOptimize(c2);
  }
  state.counters["ns_per_step"] = benchmark::Counter(
      kSteps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BareRecurrence);

}  // namespace
