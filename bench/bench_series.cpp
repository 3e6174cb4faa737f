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

namespace actinfit {
namespace {

// A plate fitted as one series: `traces` wells at G-actin cycling over 0.75..12 uM, read every
// 30 s for an hour, each with its own start delay, every time shift refined from 0 within
// 0..200 s, wide rate bounds, amplitude per trace; with and without the intervals, on one
// thread and on two. Peak memory: run one case alone under /usr/bin/time -v.
TSeries PlateSeries(int32_t traces) {
  TSeries series{};
  const double g[5] = {0.75, 1.5, 3, 6, 12};
  std::mt19937 generator(7);
  std::uniform_real_distribution<double> delay(10, 90);
  std::normal_distribution<double> noise(0, 8);
  for (int32_t i = 0; i < traces; ++i) {
    TSeriesTrace trace{};
    TModel m(121);
    for (int32_t j = 0; j < 121; ++j) m.Time[static_cast<size_t>(j)] = 30.0 * j;
    m.Init = {g[i % 5], 0, 0};
    m.Dt = 0.5;
    m.Param = {0, delay(generator), 1e-8, 8, 1};
    const double largest = SimulatePolymer(m);
    trace.Time = m.Time;
    for (const double f : m.Fitted)
      trace.Data.push_back(300 + 2000 * f / largest + noise(generator));
    trace.GActin = g[i % 5];
    trace.TShift = 0;
    trace.FitTShift = true;
    trace.TShiftMin = 0;
    trace.TShiftMax = 200;
    series.Traces.push_back(std::move(trace));
  }
  series.Rate = {1e-7, 3, 3};
  series.RateMin = {1e-11, 0.1, 0.001};
  series.RateMax = {1e-5, 100, 100};
  series.FitRate = {true, true, true};
  series.Dt = 0.5;
  return series;
}

void BM_PlateSeriesFit(benchmark::State& state) {
  TSeries series = PlateSeries(static_cast<int32_t>(state.range(0)));
  series.Threads = static_cast<int32_t>(state.range(2));
  TSeriesFit fit{};
  for (auto _ : state) fit = FitSeries(series, state.range(1) != 0);
  state.counters["error"] = fit.Error;
  state.counters["Kon"] = fit.Rate[1];
  state.counters["reaching_best"] = fit.StartsReachingBest;
}
BENCHMARK(BM_PlateSeriesFit)
    ->ArgsProduct({{24, 96, 400}, {0, 1}, {1, 2}})
    ->ArgNames({"traces", "intervals", "threads"})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace
}  // namespace actinfit
