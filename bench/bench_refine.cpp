// The least-squares refinement on the default case, all five marked or TShift fixed at 100, from
// the defaults, beside the coordinate fit of 100 and 1000 iterations, one local
// Levenberg-Marquardt solve alone, and all profile intervals around the refined point. Each
// reports the error it ends with.
#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/profile.h"
#include "core/refine.h"
#include "core/refine_local.h"
#include "core/search.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

// The default case with every parameter marked (range 1) or TShift fixed at 100 (range 0).
TModel DefaultCase(const benchmark::State& state) {
  TModel m = testing::DefaultModel();
  m.Fit[TShift] = state.range(0) != 0;
  return m;
}

void BM_RefineLeastSquares(benchmark::State& state) {
  TRefinement r{};
  for (auto _ : state) {
    TModel m = DefaultCase(state);
    r = RefineLeastSquares(m);
  }
  state.counters["error"] = r.Error;
  state.counters["starts"] = r.Starts;
  state.counters["reaching_best"] = r.StartsReachingBest;
  state.counters["evaluations"] = r.Evaluations;
}
BENCHMARK(BM_RefineLeastSquares)->Arg(0)->Arg(1)->ArgName("tshift")->Unit(benchmark::kMillisecond);

// Every profile interval around the refined point (refined once, outside the timing).
void BM_ProfileIntervals(benchmark::State& state) {
  SilenceSolverLog();
  TModel refined = DefaultCase(state);
  RefineLeastSquares(refined);
  TProfileResult r{};
  for (auto _ : state) {
    TModel m = refined;
    r = ProfileIntervals(m);
  }
  int32_t solved = 0;
  for (const TProfileCurve& curve : r.Curve) solved += static_cast<int32_t>(curve.Value.size());
  state.counters["held_values"] = solved;
  state.counters["moved"] = r.BestMoved;
  state.counters["ssr_min"] = r.SSRMin;
}
BENCHMARK(BM_ProfileIntervals)->Arg(0)->Arg(1)->ArgName("tshift")->Unit(benchmark::kMillisecond);

void BM_CoordinateFit(benchmark::State& state) {
  auto holder = std::make_unique<TModel>(testing::DefaultModel());
  const ModelAccess model = [&holder]() -> TModel& { return *holder; };
  double error = 0;
  for (auto _ : state) {
    *holder = testing::DefaultModel();
    error = RunCoordinateSearch(model, static_cast<int32_t>(state.range(0)), 10,
                                [](int32_t, double, double) { return true; });
  }
  state.counters["error"] = error;
}
BENCHMARK(BM_CoordinateFit)
    ->Arg(100)
    ->Arg(1000)
    ->ArgName("iterations")
    ->Unit(benchmark::kMillisecond);

// One solve over BFluo, Knuc, Kon and Koff (TShift along its secant) from the defaults, as the
// refinement runs it from each promising start.
void BM_OneLocalSolve(benchmark::State& state) {
  refine::TLocalResult end{};
  for (auto _ : state) {
    TModel m = testing::DefaultModel();
    refine::TContext context([&m]() -> TModel& { return m; }, nullptr, 1);
    std::vector<refine::TAxis> axes;
    for (int32_t k = 0; k < kParamCount; ++k) axes.push_back(refine::MakeAxis(m, k));
    end = refine::Solve(context, axes, {m.Param, std::numeric_limits<double>::infinity(), {}},
                        {100, 1e-9});
    state.counters["evaluations"] = context.evaluations;
  }
  state.counters["error"] = end.error;
}
BENCHMARK(BM_OneLocalSolve)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace actinfit
