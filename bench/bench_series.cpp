// The series fit of four synthetic traces of 401 points (G-actin 1.5, 3, 6, 12 uM; Dt 0.1 over
// 1200 s) with all profile intervals: amplitude per trace (range 0), one brightness (1), and
// amplitude per trace with every time shift refined from 100 s (2); without the intervals too.
// Compare with BM_CoordinateFit/iterations:100 (bench_refine.cpp), the window's 100-iteration fit
// on the default data.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "core/model.h"
#include "core/series_fit.h"

namespace actinfit {
namespace {

TSeries SyntheticSeries(int64_t variant) {
  TSeries series{};
  const double g[4] = {1.5, 3, 6, 12};
  const double shifts[4] = {20, 40, 60, 80};
  const bool brightness = variant == 1;
  for (uint32_t i = 0; i < 4; ++i) {
    TSeriesTrace trace{};
    TModel m(401);
    for (int32_t j = 0; j < 401; ++j) m.Time[static_cast<size_t>(j)] = 3.0 * j;
    m.Init = {g[i], 0, 0};
    m.Dt = 0.1;
    m.Param = {0, variant == 2 ? shifts[i] : 0, 1e-8, 8, 1};
    const double largest = SimulatePolymer(m);
    std::mt19937 generator(11 + i);
    std::normal_distribution<double> noise(0, 5);
    trace.Time = m.Time;
    for (const double f : m.Fitted) {
      trace.Data.push_back(50 + (brightness ? 200 * f : 1000 * f / largest) + noise(generator));
    }
    trace.GActin = g[i];
    trace.TShift = variant == 2 ? 100 : 0;
    trace.FitTShift = variant == 2;
    series.Traces.push_back(std::move(trace));
  }
  series.Rate = {1e-7, 3, 3};
  series.RateMin = {1e-11, 0.1, 0.01};
  series.RateMax = {1e-5, 100, 20};
  series.FitRate = {true, true, true};
  series.Dt = 0.1;
  series.Scaling = brightness ? TScaling::SharedBrightness : TScaling::AmplitudePerTrace;
  return series;
}

void BM_SeriesFit(benchmark::State& state) {
  const TSeries series = SyntheticSeries(state.range(0));
  TSeriesFit fit{};
  for (auto _ : state) fit = FitSeries(series, state.range(1) != 0);
  state.counters["error"] = fit.Error;
  state.counters["reaching_best"] = fit.StartsReachingBest;
  state.counters["koff_kon_width"] = fit.KoffKon ? fit.KoffKon->High / fit.KoffKon->Low : 0;
}
BENCHMARK(BM_SeriesFit)
    ->ArgsProduct({{0, 1, 2}, {1, 0}})
    ->ArgNames({"variant", "intervals"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace actinfit
