#include "core/fit_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/fit_report.h"
#include "core/refine.h"
#include "model_fixtures.h"
#include "separator_guard.h"

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
    if (std::isfinite(s.StdError[k]) && !s.UpperAtBound[k]) {
      EXPECT_NEAR(s.Upper[k] - s.Value[k], s.TQuantile * s.StdError[k], 1e-12 * s.Upper[k]);
    }
  }
  EXPECT_EQ(s.Time, m.Time);
  EXPECT_EQ(s.Residual, m.Residual);
  const std::string text = FitReportText(s);
  EXPECT_NE(text.find("Points (n)\t1201"), std::string::npos) << text;
  EXPECT_NE(text.find("TShift (s)\t"), std::string::npos) << text;
  EXPECT_NE(text.find("(± half a step)"), std::string::npos) << text;
  EXPECT_NE(text.find("on its upper bound"), std::string::npos) << text;
  EXPECT_EQ(text.find("+-"), std::string::npos) << text;
  EXPECT_EQ(text.find("Correlation"), text.rfind("Correlation")) << text;
}

// A record of two points with Param, bounds and marks, and a refinement of it that gives each
// parameter `error` as its standard error: what FitStatistics makes of the numbers.
struct HandMade {
  TModel model{3};
  TRefinement refinement{};

  HandMade(std::array<double, 5> value, std::array<double, 5> min, std::array<double, 5> max,
           std::array<double, 5> error) {
    model.Param = value;
    model.Min = min;
    model.Max = max;
    model.Fit = {true, false, true, true, true};
    model.Data = {1, 2, 4};
    model.Residual = {0.5, -0.5, 0.25};
    refinement.StdError = error;
    refinement.Points = 3;
    refinement.Refined = 1;  // 2 degrees of freedom: t = 4.302653
    for (auto& row : refinement.Correlation) row.fill(0);
  }
};

TEST(FitStatistics, IntervalsStopAtTheBoundsAndSaySo) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double t = 4.302652729911275;  // Student t, 97.5 %, 2 degrees of freedom
  const HandMade h({10, 100, 5e-9, 12, 0.5}, {0, 0, 1e-11, 1, 0}, {100, 200, 1e-8, 14, 20},
                   {1, nan, 1e-9, 0.1, 0.2});
  const TFitStatistics s = FitStatistics(h.model, h.refinement);
  const struct {
    int32_t k;
    double lower, upper;
    bool lowerCut, upperCut;
  } rows[] = {
      {BFluo, 10 - t, 10 + t, false, false},
      {Knuc, 5e-9 - t * 1e-9, 5e-9 + t * 1e-9, false, false},
      {Kon, 12 - t * 0.1, 12 + t * 0.1, false, false},
      {Koff, 0, 0.5 + t * 0.2, true, false},  // 0.5 - 0.86 lies below the bound 0
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ParamName(row.k));
    EXPECT_NEAR(s.Lower[row.k], row.lower, 1e-9 * std::fabs(row.upper));
    EXPECT_NEAR(s.Upper[row.k], row.upper, 1e-9 * std::fabs(row.upper));
    EXPECT_EQ(s.LowerAtBound[row.k], row.lowerCut);
    EXPECT_EQ(s.UpperAtBound[row.k], row.upperCut);
  }
  EXPECT_TRUE(std::isnan(s.Lower[TShift]));

  const HandMade tight({10, 100, 9.9e-9, 12, 0.5}, {9, 0, 1e-11, 1, 0}, {10.5, 200, 1e-8, 14, 20},
                       {1, nan, 1e-9, 0.1, 0.2});
  const TFitStatistics c = FitStatistics(tight.model, tight.refinement);
  EXPECT_EQ(c.Lower[BFluo], 9);
  EXPECT_EQ(c.Upper[BFluo], 10.5);
  EXPECT_EQ(c.Upper[Knuc], 1e-8);
  const std::array<TReportRow, 5> cells = ReportRows(c);
  EXPECT_EQ(cells[BFluo].Interval, "9 to 10.5 (cut at both bounds)");
  EXPECT_EQ(cells[Knuc].Interval, "5.5973E-9 to 1E-8 (cut at the upper bound)");
  EXPECT_EQ(cells[Koff].Interval, "0 to 1.3605 (cut at the lower bound)");
  EXPECT_EQ(cells[Kon].Interval, "11.57 to 12.43");
  EXPECT_EQ(cells[TShift].Interval, "-");
  EXPECT_EQ(cells[TShift].Status, "fixed");
  EXPECT_EQ(cells[Knuc].Name, "Knuc (µM⁻²s⁻¹)");
  EXPECT_EQ(cells[Knuc].StdError, "± 1E-9");
}

TEST(FitReport, NumbersInTheStyleOfTheirSize) {
  const struct {
    double value;
    const char* text;
  } table[] = {{49.88912, "49.889"},
               {99.2, "99.2"},
               {20, "20"},
               {4.98617e-9, "4.9862E-9"},
               {0.000123456, "0.00012346"},
               {123456, "1.2346E5"},
               {-0.05, "-0.05"},
               {0, "0"},
               {std::numeric_limits<double>::quiet_NaN(), "-"}};
  for (const auto& row : table) EXPECT_EQ(ReportNumber(row.value, 5), row.text) << row.value;
  const testing::SeparatorGuard comma(',');
  EXPECT_EQ(ReportNumber(49.88912, 5), "49,889");
  EXPECT_EQ(ReportNumber(4.98617e-9, 3), "4,99E-9");
}

// A profile filled by hand: every way a profile can end, and the words the report gives it.
TEST(FitReport, ProfileIntervalsInWords) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const HandMade h({10, 100, 3.41e-8, 10, 0.5}, {0, 0, 1e-11, 0.1, 0}, {100, 200, 1e-6, 13.2, 20},
                   {1, nan, 1e-9, 0.1, 0.2});
  TFitStatistics s = FitStatistics(h.model, h.refinement);
  TProfileResult p;
  p.Status.fill(TProfileStatus::NotProfiled);
  const auto set = [&](int32_t q, TProfileStatus status, std::optional<TInterval> interval) {
    p.Status[static_cast<size_t>(q)] = status;
    if (q == kProfileKnucKon) {
      p.KnucKon = interval;
    } else if (q == kProfileKoffKon) {
      p.KoffKon = interval;
    } else {
      p.Param[static_cast<size_t>(q)] = interval;
    }
  };
  set(BFluo, TProfileStatus::Done, TInterval{9, 11, false, false});
  set(Knuc, TProfileStatus::Done, TInterval{2.6e-8, 9.2e-7, false, false});
  set(Kon, TProfileStatus::Done, TInterval{0.37, 13.2, false, true});
  set(Koff, TProfileStatus::CutShort, TInterval{0, 0.62, true, false});
  p.Note[Koff] = "Floating point overflow";
  set(kProfileKnucKon, TProfileStatus::Done, TInterval{3.29e-7, 3.54e-7, false, false});
  set(kProfileKoffKon, TProfileStatus::Unfinished, std::nullopt);
  p.SSRMin = 100;
  p.Threshold = 103.5;
  p.Stopped = true;
  s.Profile = p;

  const std::array<TReportRow, 5> rows = ReportRows(s);
  EXPECT_EQ(rows[BFluo].Profile, "9 to 11");
  EXPECT_EQ(rows[TShift].Profile, "-");
  EXPECT_EQ(rows[Kon].Profile, "0.37 to 13.2; not limited by the data above 13.2");
  EXPECT_EQ(rows[Koff].Profile, "0 to 0.62; not limited by the data below 0 (cut short)");
  const std::vector<std::string> sentences = ProfileSentences(s);
  const std::vector<std::string> expected{
      "A value lies inside its 95 % profile interval when, held there with every other refined "
      "parameter refitted, the sum of squared residuals stays at or below 103.5 (the least, 100, "
      "times 1 + F/(n − p)).",
      "The data determine Knuc·Kon = 3.41E-7 µM⁻³s⁻² (3.29E-7 to 3.54E-7); Knuc alone only to "
      "within 2.6E-8 to 9.2E-7, Kon alone only to within 0.37 to 13.2 (its upper bound).",
      "The profile of Koff/Kon is unfinished.",
      "The profile of Koff was cut short (Floating point overflow): its interval is the part "
      "found.",
      "The profiles were stopped: those not finished are marked so."};
  EXPECT_EQ(sentences, expected);

  // The text: the profile column in the table, the combinations, the sentences.
  const std::string text = FitReportText(s);
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "Parameter\tValue\tStandard error\t95 % interval\t95 % profile interval\tStatus");
  EXPECT_NE(text.find("Kon (µM⁻¹s⁻¹)\t10\t± 0.1\t9.5697 to 10.43\t0.37 to 13.2; not limited by "
                      "the data above 13.2\trefined\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Knuc·Kon (µM⁻³s⁻²)\t3.41E-7\t3.29E-7 to 3.54E-7\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("Koff/Kon (µM)\t0.05\tunfinished\n"), std::string::npos) << text;
  for (const std::string& sentence : expected) {
    EXPECT_NE(text.find(sentence + '\n'), std::string::npos) << sentence;
  }

  // The same without a profile: no column, no combinations.
  s.Profile.reset();
  EXPECT_EQ(ReportRows(s)[Kon].Profile, "");
  EXPECT_EQ(FitReportText(s).find("profile"), std::string::npos);
}

// Allowed values in two pieces and an end where the profile jumps: the sentences that say so,
// with the report's numbers.
TEST(FitReport, PiecesAndJumpsInWords) {
  struct Case {
    TIntervalShape shape;
    const char* expected;
  };
  const Case cases[] = {
      {{}, ""},
      {{{{1, 3.6}, {4.1, 12.6}}, false, false},
       "The data allow Kon from 1 to 3.6 and from 4.1 to 12.6: values between lie outside."},
      {{{}, false, true},
       "The profile of Kon jumps across the threshold at 12.6 (the Euler steps or the time-shift "
       "stairs): that end is where it jumps, not a crossing."},
      {{{{1, 3.6}, {4.1, 12.6}}, true, false},
       "The data allow Kon from 1 to 3.6 and from 4.1 to 12.6: values between lie outside. The "
       "profile of Kon jumps across the threshold at 1 (the Euler steps or the time-shift stairs): "
       "that end is where it jumps, not a crossing."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IntervalShapeText("Kon", c.shape, 1, 12.6), c.expected);
  }
}

}  // namespace
}  // namespace actinfit
