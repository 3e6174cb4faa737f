// The parameter searches in the core alone, on the shape of the default data set.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/model.h"
#include "core/search.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

// The window's default case, held the way the window holds its record.
std::unique_ptr<TModel> DefaultRecord() {
  return std::make_unique<TModel>(testing::DefaultModel());
}

// A fit of 100 iterations reporting every 10, as the Fit button runs it with the defaults.
void BM_CoordinateSearch(benchmark::State& state) {
  auto holder = DefaultRecord();
  const auto start = holder->Param;
  const ModelAccess model = [&holder]() -> TModel& { return *holder; };
  int64_t reports = 0;
  for (auto _ : state) {
    holder->Param = start;
    benchmark::DoNotOptimize(RunCoordinateSearch(
        model, 100, 10, [&](int32_t, double, double) { return ++reports, true; }));
  }
  state.counters["reports"] =
      benchmark::Counter(static_cast<double>(reports), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CoordinateSearch)->Unit(benchmark::kMillisecond);

// The sensitivity scan with the default grids: Knuc 1E-11 ... 1E-6 and Kon 1 ... 20, 10 x 10.
void BM_SensitivityScan(benchmark::State& state) {
  auto holder = DefaultRecord();
  const ModelAccess model = [&holder]() -> TModel& { return *holder; };
  const std::vector<double> p1 = LinearGrid(1e-11, 1e-6, 10);
  const std::vector<double> p2 = LinearGrid(1, 20, 10);
  double sum = 0;
  const TScanCallbacks callbacks{nullptr, [&](int32_t, int32_t, double error) { sum += error; },
                                 nullptr};
  for (auto _ : state) {
    RunSensitivityScan(model, p1, p2, callbacks);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_SensitivityScan)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace actinfit
