#include "core/model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "core/errors.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

using testing::DefaultModel;

TEST(TModel, CreationCountsTimesFromZeroWithEmptyReadings) {
  TModel m(4);
  EXPECT_EQ(m.Count, 4);
  EXPECT_EQ(m.Time, (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(m.Data, (std::vector<double>(4, 0.0)));
  EXPECT_EQ(m.Fitted.size(), 4u);
  EXPECT_EQ(m.Residual.size(), 4u);
  EXPECT_EQ(m.Dt, 0.01);
  EXPECT_EQ(m.Param, (std::array<double, 5>{}));
  EXPECT_EQ(m.Fit, (std::array<bool, 5>{}));
  TModel empty(0);
  EXPECT_TRUE(empty.Time.empty() && empty.Data.empty() && empty.Fitted.empty());
}

// Two Euler steps worked out by hand from the rate equations, with the record's numbers.
TEST(Evaluate, FirstTwoEulerStepsByHand) {
  TModel m(3);
  m.Time = {0, 0.1, 0.2};
  m.Data = {1, 2, 3};
  m.Param = {1, 0, 1e-8, 8, 1};  // BFluo 1, TShift 0
  m.Init = {6, 0, 0};
  m.Dt = 0.1;
  const double result = Evaluate(m);

  // Step 1 from G = 6, F = 0, N = 0: only nucleation acts.
  const double G1 = 6, knucG3 = 1e-8 * 216;
  const double F1 = 0.1 * (3 * knucG3);  // 6.48E-7
  const double N1 = 0.1 * knucG3;        // 2.16E-7
  // Step 2 from G = 6 - F1, F = F1, N = N1: e = sqrt(1) * (2 / 8) * N1 / F1 + Knuc G^3.
  const double G2 = 6 - F1;
  const double e = 0.25 * N1 / F1 + 1e-8 * G2 * G2 * G2;
  const double F2 = F1 + 0.1 * (3e-8 * G2 * G2 * G2 + 8 * G2 * N1 - (2 * e + 1) * 1 * N1);
  (void)G1;
  EXPECT_NEAR(F2, 2.3075997e-6, 1e-12);  // the figure worked out on paper

  // Scaled between BFluo 1 and the largest reading 3 by the largest model value F2.
  const double expected[3] = {1, 1 + F1 / F2 * 2, 3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(m.Fitted[i], expected[i], 1e-12) << i;
    EXPECT_NEAR(m.Residual[i], expected[i] - m.Data[i], 1e-12) << i;
  }
  const double r1 = expected[1] - 2;
  EXPECT_NEAR(result, (0 + r1 * r1 + 0) / 3, 1e-12);
}

// With Knuc = 0 and Koff = 0 the filaments stay constant and dF/dt = Kon N (total - F): Euler
// gives total - F_m = (total - F_0) (1 - Dt Kon N)^m exactly.
TEST(Evaluate, MatchesTheDiscreteClosedFormOfPureElongation) {
  TModel m(4);
  m.Time = {0, 1, 2, 4};
  m.Data = {0, 0, 0, 1};
  m.Param = {0, 0, 0, 2, 0};
  m.Init = {5, 1, 0.5};
  m.Dt = 0.125;  // exact in binary: 8 steps a second
  Evaluate(m);
  auto F = [](int steps) { return 6 - 5 * std::pow(0.875, steps); };
  const int steps[4] = {0, 8, 16, 32};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(m.Fitted[i], F(steps[i]) / F(32), 1e-14) << i;
  }
}

TEST(Evaluate, TimeAccumulatesStepByStep) {
  // 0.1 added ten times is 0.9999999999999999 < 1, so reaching t = 1 takes 11 steps where
  // TShift + m Dt would take 10. Nucleation alone, nearly linear: F grows with the step count.
  TModel m(2);
  m.Time = {0.5, 1.0};
  m.Data = {0, 1};
  m.Param = {0, 0, 1e-12, 0, 0};
  m.Init = {6, 0, 0};
  m.Dt = 0.1;
  Evaluate(m);
  EXPECT_NEAR(m.Fitted[0], 5.0 / 11.0, 1e-9);
}

TEST(Evaluate, DefaultCaseKeepsTheBackgroundBeforeTheShiftAndTopsAtTheLargestReading) {
  TModel m = DefaultModel();
  const double result = Evaluate(m);
  EXPECT_GT(result, 0);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(m.Fitted[i], 10) << i;
  EXPECT_EQ(*std::max_element(m.Fitted.begin(), m.Fitted.end()),
            *std::max_element(m.Data.begin(), m.Data.end()));
  // The curve rises after the shift, and the result is the mean squared residual.
  EXPECT_GT(m.Fitted[200], 10);
  double sum = 0;
  for (int i = 0; i < m.Count; ++i) {
    EXPECT_EQ(m.Residual[i], m.Fitted[i] - m.Data[i]);
    sum += m.Residual[i] * m.Residual[i];
  }
  EXPECT_DOUBLE_EQ(result, sum / m.Count);
  // Evaluate changes no parameter and gives the same value again.
  const auto param = m.Param;
  EXPECT_EQ(Evaluate(m), result);
  EXPECT_EQ(m.Param, param);
}

TEST(Evaluate, ATimeStepWiderThanThePointSpacingGivesPointsTheSameState) {
  TModel m(5);
  m.Time = {0, 1, 2, 3, 4};
  m.Data = {0, 1, 2, 3, 4};
  m.Param = {0, 0, 1e-8, 8, 1};
  m.Init = {6, 0, 0};
  m.Dt = 2.5;  // steps end at 2.5 and 5: points 1, 2 share one state, 3, 4 the next
  Evaluate(m);
  EXPECT_EQ(m.Fitted[1], m.Fitted[2]);
  EXPECT_EQ(m.Fitted[3], m.Fitted[4]);
  EXPECT_LT(m.Fitted[2], m.Fitted[3]);
}

TEST(Evaluate, DataEqualToTheScaledModelGivesZero) {
  TModel m = DefaultModel();
  m.Param[BFluo] = 0;
  Evaluate(m);
  m.Data = m.Fitted;
  EXPECT_EQ(Evaluate(m), 0.0);
}

TEST(Evaluate, NonPositiveReadingsScaleTheCurveFromTheBackgroundDownToZero) {
  TModel m = DefaultModel();
  for (double& d : m.Data) d = -d;
  Evaluate(m);
  EXPECT_EQ(m.Fitted[0], 10);
  EXPECT_EQ(*std::min_element(m.Fitted.begin(), m.Fitted.end()), 0);
}

TEST(Evaluate, TinyAssociationRateIsFlooredOnlyInsideTheDissociationFactor) {
  TModel m = DefaultModel();
  // Without dissociation, Kon = 0 would make 0 * (2 / 0) invalid; the floor keeps it finite.
  m.Param[Koff] = 0;
  m.Param[Kon] = 0;
  EXPECT_TRUE(std::isfinite(Evaluate(m)));
  // Below the floor every Kon gives the same dissociation factor: with a weak dissociation the
  // curves of 1e-30 and 1e-25 agree to the bit (their elongation terms vanish at this size),
  // while 1e-19, above the floor, changes the factor tenfold.
  m.Param[Koff] = 1e-40;
  m.Param[Kon] = 1e-30;
  const double at30 = Evaluate(m);
  m.Param[Kon] = 1e-25;
  EXPECT_EQ(Evaluate(m), at30);
  m.Param[Kon] = 1e-19;
  EXPECT_NE(Evaluate(m), at30);
}

TEST(Evaluate, ANegativeAssociationRateShrinksThePolymerThroughElongation) {
  // One step of 1 s from G 6, F 0.5, N 0.1 with Kon -2 and no nucleation or dissociation:
  // F = 0.5 + (-2) x 6 x 0.1 = -0.7 (the floor of Kon acts only in the vanishing dissociation
  // factor). Scaled by the top 0.5 onto readings (1, 1) from BFluo 0: (1, -1.4), residuals
  // (0, -2.4), mean square 2.88.
  TModel m(2);
  m.Data = {1, 1};
  m.Param = {0, 0, 0, -2, 0};
  m.Init = {6, 0.5, 0.1};
  m.Dt = 1;
  EXPECT_DOUBLE_EQ(Evaluate(m), 2.88);
  EXPECT_DOUBLE_EQ(m.Fitted[1], -1.4);
}

TEST(CheckTimeStep, RefusesAStepOfHalfTheSpacingOfRealsAndTakesOneJustAbove) {
  // Reals near 2^53 are 2 apart: a step of 1 would leave the time where it is.
  TModel m(2);
  m.Time = {0, 9007199254740996.0};
  const double start = 9007199254740992.0;
  m.Dt = 1;
  EXPECT_THROW(CheckTimeStep(m, start), EInvalidInput);
  m.Dt = std::nextafter(1.0, 2.0);
  EXPECT_TRUE(CheckTimeStep(m, start));
}

TEST(Evaluate, TheInitialStateEntersTheFirstStepUnclamped) {
  // A negative G-actin concentration is used as typed in the first step: G^3 < 0 makes the
  // polymer go negative at once, which a clamped start (G = 0) would not.
  TModel m(2);
  m.Time = {1, 2};
  m.Data = {0, 1};
  m.Param = {0, 0, 1e-3, 0, 0};
  m.Init = {-2, 0, 0};
  m.Dt = 1;
  // The first step makes F = 1 * 3 * 1e-3 * (-8) < 0; the clamped G of the second step adds
  // nothing. No model value lies above 0 and the scaling divides the negative F[0] by zero
  // (a clamped start would leave F[0] = 0: 0 / 0, an invalid operation instead).
  EXPECT_THROW(Evaluate(m), EZeroDivide);
}

struct FailureCase {
  const char* name;
  void (*setup)(TModel&);
  const char* message;
  const char* notice;
};

class EvaluateFails : public ::testing::TestWithParam<FailureCase> {};

TEST_P(EvaluateFails, WithTheMessageOfTheFirstCondition) {
  TModel m = DefaultModel();
  GetParam().setup(m);
  const auto param = m.Param;
  try {
    Evaluate(m);
    FAIL() << "no error";
  } catch (const EMathError& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().message);
    EXPECT_EQ(e.notice(), GetParam().notice);
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().message);
  }
  EXPECT_EQ(m.Param, param);
}

INSTANTIATE_TEST_SUITE_P(
    Hazards, EvaluateFails,
    ::testing::Values(FailureCase{"NoPoints", [](TModel& m) { m = TModel(0); },
                                  "Invalid floating point operation", ""},
                      FailureCase{"ShiftAfterLastTime", [](TModel& m) { m.Param[TShift] = 1200; },
                                  "Invalid floating point operation", ""},
                      FailureCase{"NoNucleation", [](TModel& m) { m.Param[Knuc] = 0; },
                                  "Invalid floating point operation", ""},
                      FailureCase{"NegativeStartWithoutSteps",
                                  [](TModel& m) {
                                    m.Param[TShift] = 5000;
                                    m.Init[1] = -1;
                                  },
                                  "Floating point division by zero", ""},
                      FailureCase{"NegativeDissociation", [](TModel& m) { m.Param[Koff] = -1; },
                                  "Invalid floating point operation", "sqrt: DOMAIN error"},
                      FailureCase{"NegativeDissociationThenOverflow",
                                  [](TModel& m) {
                                    m.Param[Koff] = -1;
                                    m.Init[0] = 1e120;  // G^3 overflows before the clamp compares
                                  },
                                  "Floating point overflow", "sqrt: DOMAIN error"},
                      FailureCase{"StateOverflow", [](TModel& m) { m.Init[0] = 1e110; },
                                  "Floating point overflow", ""},
                      FailureCase{"TotalOverflow",
                                  [](TModel& m) {
                                    m.Init[0] = 1.7e308;
                                    m.Init[1] = 1.7e308;
                                  },
                                  "Floating point overflow", ""},
                      FailureCase{"RunawayGrowth", [](TModel& m) { m.Param[Knuc] = 1e300; },
                                  "Floating point overflow", ""},
                      FailureCase{"ZeroTimeStep", [](TModel& m) { m.Dt = 0; },
                                  "The time step must be greater than zero", ""},
                      FailureCase{"NegativeTimeStep", [](TModel& m) { m.Dt = -0.1; },
                                  "The time step must be greater than zero", ""},
                      FailureCase{"TimeStepLostAtTheShift",
                                  [](TModel& m) { m.Param[TShift] = -1e17; },
                                  "The time step is too small for the times", ""},
                      FailureCase{"TimeStepLostAtTheLastTime",
                                  [](TModel& m) {
                                    m.Time.back() = 1e20;
                                    m.Dt = 1000;
                                  },
                                  "The time step is too small for the times", ""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(Evaluate, ATimeStepOfZeroIsHarmlessWhenNoTimeLiesAfterTheShift) {
  TModel m = DefaultModel();
  m.Param[TShift] = 1200;
  m.Init[1] = 1;  // a positive start, so the flat curve scales without error
  m.Dt = 0;
  EXPECT_NO_THROW(Evaluate(m));
}

TEST(Evaluate, AnErrorLeavesNoFlagBehindForTheNextEvaluation) {
  TModel bad = DefaultModel();
  bad.Param[Koff] = -1;
  EXPECT_THROW(Evaluate(bad), EInvalidOp);
  TModel good = DefaultModel();
  EXPECT_NO_THROW(Evaluate(good));
}

// The window's default texts, read as the window reads them, are the numbers its users know;
// the names and the lookup outside the range are those of every message.
TEST(Defaults, FieldTextsReadAsTheWindowsNumbers) {
  TModel m(1);
  SetDefaultFields(m);
  const std::array<double, kParamCount> value = {10, 100, 1e-8, 8, 1};
  const std::array<double, kParamCount> min = {0, 0, 1e-11, 1, 0};
  const std::array<double, kParamCount> max = {100, 200, 1e-6, 20, 20};
  for (int32_t k = 0; k < kParamCount; ++k) {
    const auto i = static_cast<size_t>(k);
    EXPECT_EQ(m.Param[i], value[i]) << ParamName(k);
    EXPECT_EQ(m.Min[i], min[i]) << ParamName(k);
    EXPECT_EQ(m.Max[i], max[i]) << ParamName(k);
    EXPECT_TRUE(m.Fit[i]) << ParamName(k);
  }
  EXPECT_EQ(m.Init, (std::array<double, 3>{6, 0, 0}));
  EXPECT_EQ(m.Dt, 0.1);
  EXPECT_STREQ(ParamName(Knuc), "Knuc");
  EXPECT_STREQ(ParamName(kParamCount), "?");
  EXPECT_STREQ(ParamName(-1), "?");
}

}  // namespace
}  // namespace actinfit
