#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/batch.h"
#include "core/profile.h"
#include "core/refine.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

const bool kQuiet = (SilenceSolverLog(), true);

double Noise(int32_t i) {
  const double x = std::sin(i * 12.9898) * 43758.5453;
  return (x - std::floor(x) - 0.5) * 2;
}

TModel Trace(double gActin, const TParamSet& truth, int32_t n, double every, double dt,
             double noise) {
  TModel m(n);
  SetDefaultFields(m);
  for (int32_t i = 0; i < n; ++i) m.Time[i] = i * every;
  m.Init[0] = gActin;
  m.Dt = dt;
  m.Param = truth;
  const double top = SimulatePolymer(m);
  for (int32_t i = 0; i < n; ++i) {
    m.Data[i] = truth[BFluo] + 1000 * m.Fitted[i] / top + noise * Noise(i);
  }
  SetDefaultFields(m);
  m.Init[0] = gActin;
  m.Dt = dt;
  return m;
}

// The least SSR with parameter k held at `value` (clamped into its bounds), every other marked
// parameter refitted from the best point and the refinement's own 24 starts spread over the
// bounds, TShift over its stairs.
double HeldRefitSSR(const TModel& best, int32_t k, double value) {
  TModel m = best;
  m.Param[k] = std::clamp(value, m.Min[k], m.Max[k]);
  m.Fit[k] = false;
  return m.Count * RefineLeastSquares(m).Error;
}

// A value `factor` times beyond (> 1) or inside (< 1) an end, on a log scale for the rates and
// in the distance from the best point for BFluo.
double Moved(int32_t k, double end, double best, double factor, bool high) {
  if (k == BFluo) return best + (end - best) * factor;
  return high ? end * factor : end / factor;
}

// A trace made by the model at 1.5 uM with every parameter marked and the window's bounds: the
// ends the profiles report are checked with held refits the test does itself, 2 % inside (below
// the threshold) and 1.15 and 2.5 times out (above it), unless the end is a bound. With TShift
// refined, held solves on the best point's stair ended BFluo and Koff far too soon.
TEST(ProfileHeldRefit, NoHeldRefitBeyondAnEndLiesInsideTheThreshold) {
  struct Case {
    const char* name;
    bool shiftRefined;
    std::vector<int32_t> checked;
  };
  const Case cases[] = {{"shift refined", true, {BFluo, Kon, Koff}},
                        {"shift fixed", false, {Koff}}};
  for (const Case& c : cases) {
    TModel m = Trace(1.5, {50, 20, 1e-6, 8, 1}, 200, 2, 0.1, 5);
    m.Param[TShift] = 20;
    m.Fit[TShift] = c.shiftRefined;
    RefineLeastSquares(m);
    TModel profiled = m;
    const TProfileResult r = ProfileIntervals(profiled);
    for (const int32_t k : c.checked) {
      ASSERT_TRUE(r.Param[k].has_value()) << c.name << " " << ParamName(k);
      const TInterval interval = *r.Param[k];
      const double best = profiled.Param[k];
      for (const bool high : {false, true}) {
        if (high ? interval.HighAtBound : interval.LowAtBound) continue;
        const double end = high ? interval.High : interval.Low;
        const std::string where =
            std::string(c.name) + " " + ParamName(k) + (high ? " high " : " low ");
        EXPECT_LT(HeldRefitSSR(profiled, k, Moved(k, end, best, 0.98, high)), r.Threshold)
            << where << end;
        for (const double factor : {1.15, 2.5}) {
          EXPECT_GT(HeldRefitSSR(profiled, k, Moved(k, end, best, factor, high)), r.Threshold)
              << where << end << " x" << factor;
        }
      }
    }
  }
}

}  // namespace
}  // namespace actinfit
