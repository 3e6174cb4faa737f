#include "core/fit_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/refine.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

// Two-sided 95 % points of Student's t from the printed tables.
TEST(FitStatistics, StudentTQuantileMatchesTheTables) {
  const struct {
    double dof, t;
  } table[] = {{1, 12.7062}, {2, 4.3027},   {3, 3.1824},    {5, 2.5706},  {10, 2.2281},
               {30, 2.0423}, {120, 1.9799}, {1196, 1.9620}, {1e7, 1.9600}};
  for (const auto& row : table) {
    EXPECT_NEAR(StudentTQuantile(0.975, row.dof), row.t, 1e-4) << row.dof;
    EXPECT_NEAR(StudentTQuantile(0.025, row.dof), -row.t, 1e-4) << row.dof;
  }
  EXPECT_NEAR(StudentTQuantile(0.95, 4), 2.1318, 1e-4);
  EXPECT_NEAR(StudentTQuantile(0.995, 20), 2.8453, 1e-4);
}

TEST(FitStatistics, RunsTestCountsSignChangesAndSkipsZeros) {
  // 10 positive, 10 negative: mean runs 11, variance 4.7368.
  std::vector<double> alternating, blocks;
  for (int32_t i = 0; i < 20; ++i) alternating.push_back(i % 2 ? -1.0 : 1.0);
  for (int32_t i = 0; i < 20; ++i) blocks.push_back(i < 10 ? 1.0 : -2.0);
  auto [runs, z] = RunsTest(alternating);
  EXPECT_EQ(runs, 20);
  EXPECT_NEAR(z, (20 - 11) / std::sqrt(4.736842), 1e-5);
  std::tie(runs, z) = RunsTest(blocks);
  EXPECT_EQ(runs, 2);
  EXPECT_NEAR(z, (2 - 11) / std::sqrt(4.736842), 1e-5);
  const std::vector<double> withZeros{1, 0, 1, 0, -1, -1, 0, 1};
  EXPECT_EQ(RunsTest(withZeros).first, 3);
  EXPECT_TRUE(std::isnan(RunsTest(std::vector<double>{1, 2, 3}).second));
}

TEST(FitStatistics, ReportOfTheDefaultRefinement) {
  TModel m = testing::DefaultModel();
  const TRefinement r = RefineLeastSquares(m);
  const TFitStatistics s = FitStatistics(m, r);
  EXPECT_EQ(s.Points, 1201);
  EXPECT_EQ(s.Parameters, r.Refined);
  EXPECT_NEAR(s.ResidualSD, std::sqrt(1201 * r.Error / (1201 - r.Refined)), 1e-9);
  EXPECT_GT(s.RSquared, 0.99);
  EXPECT_LT(s.RunsZ, -10);  // the model's curve runs on one side of the data for long stretches
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (std::isfinite(s.StdError[k])) {
      EXPECT_NEAR(s.Upper[k] - s.Value[k], s.TQuantile * s.StdError[k], 1e-12 * s.Upper[k]);
    }
  }
  const std::string text = FitReportText(s);
  EXPECT_NE(text.find("Points (n)\t1201"), std::string::npos) << text;
  EXPECT_NE(text.find("TShift\t"), std::string::npos) << text;
  EXPECT_NE(text.find("(half a time step)"), std::string::npos) << text;
  EXPECT_NE(text.find("on a bound"), std::string::npos) << text;
}

}  // namespace
}  // namespace actinfit
