// The readouts of a plate of 384 wells of 601 points each: what --method readouts computes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/readouts.h"

namespace {

void BM_ReadoutsOfAPlate(benchmark::State& state) {
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0, 3);
  std::vector<double> time(601);
  std::vector<std::vector<double>> wells(384, std::vector<double>(time.size()));
  for (std::size_t i = 0; i < time.size(); ++i) time[i] = 5.0 * i;
  for (std::size_t w = 0; w < wells.size(); ++w) {
    const double t0 = 600 + 3.0 * w, tau = 40 + 0.2 * w;
    for (std::size_t i = 0; i < time.size(); ++i) {
      wells[w][i] = 100 + 900 / (1 + std::exp(-(time[i] - t0) / tau)) + noise(random);
    }
  }
  for (auto _ : state) {
    for (const auto& readings : wells) {
      benchmark::DoNotOptimize(actinfit::TraceReadouts(time, readings));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(wells.size()));
}
BENCHMARK(BM_ReadoutsOfAPlate)->Unit(benchmark::kMillisecond);

}  // namespace
