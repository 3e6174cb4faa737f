// The searches on the default case, batched and one at a time: the fit and the grid both ways,
// and one pass of n sets, to choose the pass widths by.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/batch.h"
#include "core/model.h"
#include "core/search.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

constexpr double kStepsPerEvaluation = 11000;  // (1200 - 100) / 0.1

// 100 iterations with all five marked, reporting every 10 as the Fit button does.
void BM_FitHundredIterations(benchmark::State& state, TEvaluation evaluation) {
  auto holder = std::make_unique<TModel>(testing::DefaultModel());
  const auto start = holder->Param;
  const ModelAccess model = [&holder]() -> TModel& { return *holder; };
  for (auto _ : state) {
    holder->Param = start;
    benchmark::DoNotOptimize(RunCoordinateSearch(
        model, 100, 10, nullptr, [](int32_t, double, double) { return true; }, evaluation));
  }
}
BENCHMARK_CAPTURE(BM_FitHundredIterations, OneAtATime, TEvaluation::OneAtATime)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FitHundredIterations, Batched, TEvaluation::Batched)
    ->Unit(benchmark::kMillisecond);

// The default grids, Knuc 1E-11 ... 1E-6 by Kon 1 ... 20, 10 x 10.
void BM_ScanTenByTen(benchmark::State& state, TEvaluation evaluation) {
  auto holder = std::make_unique<TModel>(testing::DefaultModel());
  const ModelAccess model = [&holder]() -> TModel& { return *holder; };
  const std::vector<double> p1 = LinearGrid(1e-11, 1e-6, 10);
  const std::vector<double> p2 = LinearGrid(1, 20, 10);
  double sum = 0;
  const TScanCallbacks callbacks{nullptr, [&](int32_t, int32_t, double error) { sum += error; },
                                 nullptr};
  for (auto _ : state) {
    RunSensitivityScan(model, p1, p2, callbacks, evaluation);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK_CAPTURE(BM_ScanTenByTen, OneAtATime, TEvaluation::OneAtATime)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScanTenByTen, Batched, TEvaluation::Batched)->Unit(benchmark::kMillisecond);

// One pass of range(0) sets near the default parameters on vectors of range(1) lanes;
// ns_per_set_step is the cost of one Euler step of one set, 12.7 ns or so one at a time.
void BM_OnePass(benchmark::State& state) {
  const TLaneWidth width = state.range(1) == 4 ? TLaneWidth::Four : TLaneWidth::Two;
  if (width == TLaneWidth::Four && WidestLaneWidth() != TLaneWidth::Four) {
    state.SkipWithError("no 256-bit vectors on this processor");
    return;
  }
  TModel m = testing::DefaultModel();
  const auto count = static_cast<size_t>(state.range(0));
  std::vector<TParamSet> sets(count, m.Param);
  for (size_t s = 0; s < count; ++s) sets[s][Kon] = 7 + 0.2 * static_cast<double>(s);
  std::vector<double> errors(count);
  TBatchEvaluator batch(width);
  for (auto _ : state) {
    const TBatchOutcome outcome = batch.Evaluate(m, sets, errors);
    if (outcome.failure) state.SkipWithError("the default case failed");
    benchmark::DoNotOptimize(errors.data());
  }
  state.counters["ns_per_set_step"] = benchmark::Counter(
      kStepsPerEvaluation * static_cast<double>(count),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_OnePass)
    ->ArgsProduct({benchmark::CreateDenseRange(1, 10, 1), {2, 4}})
    ->ArgNames({"sets", "lanes"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace actinfit
