// The hint for a parameter that ended on a bound: which way the data pull and what to change.
#include "core/bound_hints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/fit_report.h"
#include "core/fit_statistics.h"
#include "core/refine.h"
#include "model_fixtures.h"
#include "separator_guard.h"

namespace actinfit {
namespace {

struct HintCase {
  const char* name;
  int32_t param;
  double value, min, max, readingsStart;
  const char* expected;
};

class BoundHintCases : public ::testing::TestWithParam<HintCase> {};

TEST_P(BoundHintCases, SaysWhichWayAndWhatToChange) {
  const testing::SeparatorGuard point('.');
  const HintCase& c = GetParam();
  EXPECT_EQ(BoundHint(c.param, c.value, c.min, c.max, c.readingsStart), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hints, BoundHintCases,
    ::testing::Values(
        HintCase{"BackgroundBelowTheReadings", BFluo, 100, 0, 100, 298,
                 "BFluo ended on its upper bound 100 while the readings start near 298: raise "
                 "its Max above 300 and refine again."},
        HintCase{"BackgroundAboveNegativeReadings", BFluo, 0, 0, 100, -41.5,
                 "BFluo ended on its lower bound 0 while the readings start near -41.5: lower "
                 "its Min below -42 and refine again."},
        HintCase{"BackgroundInsideTheReadings", BFluo, 100, 0, 100, 60,
                 "BFluo ended on its upper bound 100: the data pull it higher; raise its Max and "
                 "refine again."},
        HintCase{"RatePulledUp", Kon, 20, 1, 20, 50,
                 "Kon ended on its upper bound 20: the data pull it higher; raise its Max (to "
                 "200, say) and refine again."},
        HintCase{"RatePulledDown", Knuc, 1e-11, 1e-11, 1e-6, 50,
                 "Knuc ended on its lower bound 1E-11: the data pull it lower; lower its Min (to "
                 "1E-12, say) and refine again."},
        HintCase{"RatePulledToZero", Koff, 0, 0, 20, 50,
                 "Koff ended on its lower bound 0: the data pull it to zero, so they do not show "
                 "this step at all; the rate is not determined."},
        HintCase{"ShiftPulledEarlier", TShift, 0, 0, 200, 50,
                 "TShift ended on its lower bound 0: the data pull the start of the rise earlier; "
                 "lower its Min and refine again."},
        HintCase{"Inside", Kon, 8, 1, 20, 50, ""}),
    [](const ::testing::TestParamInfo<HintCase>& info) { return info.param.name; });

// A plate reader's trace whose baseline lies far above the default bounds of the background:
// the refinement ends on the bound and the report says where the readings start.
TEST(BoundHint, ReportOfARefinementPinnedByTheBackgroundBound) {
  const testing::SeparatorGuard point('.');
  TModel truth = testing::DefaultModel();
  truth.Init[0] = 6;
  truth.Dt = 0.5;  // coarse: the point is the report, not the rates
  truth.Param[BFluo] = 298;
  Evaluate(truth);
  TModel m = testing::DefaultModel();
  m.Data = truth.Fitted;
  m.Init[0] = 6;
  m.Dt = truth.Dt;
  const TRefinement refinement = RefineLeastSquares(m);
  ASSERT_TRUE(refinement.OnBound[BFluo]);
  const std::vector<std::string> sentences = ParameterSentences(FitStatistics(m, refinement));
  const std::string expected =
      "BFluo ended on its upper bound 100 while the readings start near 298: raise its Max "
      "above 300 and refine again.";
  EXPECT_NE(std::find(sentences.begin(), sentences.end(), expected), sentences.end());
}

}  // namespace
}  // namespace actinfit
