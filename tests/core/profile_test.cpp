#include "core/profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <unsupported/Eigen/SpecialFunctions>
#include <vector>

#include "core/batch.h"
#include "core/errors.h"
#include "core/fit_statistics.h"
#include "core/refine.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

// The solver's own log lines would clutter the test output.
const bool kQuiet = (SilenceSolverLog(), true);

// Reproducible noise in [-1, 1).
double Noise(int32_t i) {
  const double x = std::sin(i * 12.9898) * 43758.5453;
  return (x - std::floor(x) - 0.5) * 2;
}

// The default record, TShift fixed, with its readings replaced by the model's curve at `truth`
// plus noise of amplitude 5 that never lifts a reading above the curve's top (the scaling pins
// the model's top to the largest reading, which noise there would bias), and its parameters set
// back to the defaults.
TModel SyntheticTrace(const TParamSet& truth) {
  TModel m = testing::DefaultModel();
  m.Param = truth;
  Evaluate(m);
  int32_t top = 0;
  for (int32_t i = 0; i < m.Count; ++i) top = m.Fitted[i] > m.Fitted[top] ? i : top;
  for (int32_t i = 0; i < m.Count; ++i) {
    double noise = i == top ? 0 : 5 * Noise(i);
    if (m.Fitted[i] + noise > m.Fitted[top]) noise = -noise;
    m.Data[i] = m.Fitted[i] + noise;
  }
  m.Param = testing::DefaultModel().Param;
  m.Fit[TShift] = false;
  return m;
}

// The F(1, k) distribution function is I_x(1/2, k/2) at x = f / (f + k); its quantile found by
// plain bisection.
double FQuantileByBisection(double level, double k) {
  double lo = 0, hi = 1e4;
  for (int32_t i = 0; i < 200; ++i) {
    const double mid = (lo + hi) / 2;
    (Eigen::numext::betainc(0.5, k / 2, mid / (mid + k)) < level ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

// The quantities profiled when the four rates and BFluo are refined, in their order.
constexpr int32_t kProfiled[] = {BFluo, Knuc, Kon, Koff, kProfileKnucKon, kProfileKoffKon};

std::optional<TInterval> IntervalOf(const TProfileResult& r, int32_t quantity) {
  if (quantity == kProfileKnucKon) return r.KnucKon;
  if (quantity == kProfileKoffKon) return r.KoffKon;
  return r.Param[static_cast<size_t>(quantity)];
}

// The least SSR with parameter k held at `value`, every other marked one refitted from `at`.
double RefitSSR(const TModel& at, int32_t k, double value) {
  TModel m = at;
  m.Param[k] = value;
  m.Fit[k] = false;
  return m.Count * RefineLeastSquares(m).Error;
}

TEST(ProfileThreshold, FQuantileOfOneDegreeIsTheSquaredT) {
  for (const double level : {0.9, 0.95, 0.99}) {
    for (const double dof : {1.0, 4.0, 30.0, 1197.0}) {
      const double f = FQuantileOne(level, dof);
      EXPECT_NEAR(f, FQuantileByBisection(level, dof), 1e-9 * f) << level << " " << dof;
      EXPECT_NEAR(Eigen::numext::betainc(0.5, dof / 2, f / (f + dof)), level, 1e-12);
    }
  }
  EXPECT_NEAR(FQuantileOne(0.95, 120), 3.9201, 1e-4);  // as the tables give it
}

// Only BFluo refined: the curve is linear in it, Fitted = B (1 - c) + c M with c the normalised
// model curve and M the largest reading; the profile is the parabola SSR(B) = SSRmin + (B - B^)^2
// S with S = sum (1 - c)^2, and the interval is B^ -+ t SE.
TEST(Profile, LinearBackgroundIsTheParabolaAndTheTInterval) {
  TModel m = SyntheticTrace({50, 100, 5e-7, 4, 10});
  m.Param = {0, 100, 5e-7, 4, 10};
  m.Fit = {true, false, false, false, false};
  Evaluate(m);
  double top = 0;
  for (const double d : m.Data) top = std::max(top, d);
  double saa = 0, say = 0;
  std::vector<double> a(m.Count), y(m.Count);
  for (int32_t i = 0; i < m.Count; ++i) {
    const double c = m.Fitted[i] / top;
    a[i] = 1 - c;
    y[i] = m.Data[i] - c * top;
    saa += a[i] * a[i];
    say += a[i] * y[i];
  }
  const double best = say / saa;
  double ssrMin = 0;
  for (int32_t i = 0; i < m.Count; ++i) ssrMin += (y[i] - a[i] * best) * (y[i] - a[i] * best);
  const double dof = m.Count - 1;
  const double t = std::sqrt(FQuantileByBisection(0.95, dof));
  const double halfWidth = t * std::sqrt(ssrMin / dof / saa);

  // From a point well off the best (its SSR above the threshold): the first held value has a
  // lower SSR, the best moves there and is refined, and the profile starts again.
  m.Param[BFluo] = best + 3;
  const TProfileResult r = ProfileIntervals(m);
  EXPECT_TRUE(r.BestMoved);
  EXPECT_NEAR(m.Param[BFluo], best, 1e-6 * best);
  EXPECT_NEAR(r.SSRMin, ssrMin, 1e-9 * ssrMin);
  EXPECT_EQ(r.Parameters, 1);
  EXPECT_EQ(r.Points, m.Count);
  EXPECT_NEAR(r.Threshold, ssrMin * (1 + t * t / dof), 1e-9 * ssrMin);
  ASSERT_TRUE(r.Param[BFluo].has_value());
  const TInterval& interval = *r.Param[BFluo];
  EXPECT_NEAR(interval.Low, best - halfWidth, 1e-4 * best);
  EXPECT_NEAR(interval.High, best + halfWidth, 1e-4 * best);
  // The ends are held values inside.
  EXPECT_GE(interval.Low, best - halfWidth - 1e-9 * best);
  EXPECT_LE(interval.High, best + halfWidth + 1e-9 * best);
  EXPECT_FALSE(interval.LowAtBound || interval.HighAtBound);
  EXPECT_EQ(r.Status[BFluo], TProfileStatus::Done);
  for (const int32_t q : kProfiled) {
    if (q == BFluo) continue;
    EXPECT_EQ(r.Status[q], TProfileStatus::NotProfiled) << q;
    EXPECT_FALSE(IntervalOf(r, q).has_value()) << q;
  }
  EXPECT_EQ(r.Status[TShift], TProfileStatus::NotProfiled);
  const TProfileCurve& curve = r.Curve[BFluo];
  ASSERT_GE(curve.Value.size(), 4u);
  for (size_t i = 0; i < curve.Value.size(); ++i) {
    const double v = curve.Value[i];
    EXPECT_NEAR(curve.SSR[i], ssrMin + (v - best) * (v - best) * saa, 1e-9 * ssrMin) << v;
    if (i > 0) {
      EXPECT_LT(curve.Value[i - 1], v);
    }
  }
}

class SyntheticProfile : public ::testing::Test {
 protected:
  static constexpr TParamSet kTruth{50, 100, 5e-7, 4, 10};
  static void SetUpTestSuite() {
    refined_ = std::make_unique<TModel>(SyntheticTrace(kTruth));
    RefineLeastSquares(*refined_);
    profiled_ = std::make_unique<TModel>(*refined_);
    result_ = std::make_unique<TProfileResult>(ProfileIntervals(*profiled_));
  }
  static void TearDownTestSuite() {
    refined_.reset();
    profiled_.reset();
    result_.reset();
  }
  static std::unique_ptr<TModel> refined_, profiled_;
  static std::unique_ptr<TProfileResult> result_;
};
std::unique_ptr<TModel> SyntheticProfile::refined_, SyntheticProfile::profiled_;
std::unique_ptr<TProfileResult> SyntheticProfile::result_;

TEST_F(SyntheticProfile, EveryIntervalHoldsTheTruthAndTheProductIsKnownBest) {
  const TProfileResult& r = *result_;
  EXPECT_FALSE(r.BestMoved);
  EXPECT_EQ(profiled_->Param, refined_->Param);
  EXPECT_EQ(r.Parameters, 4);
  const double truth[] = {kTruth[BFluo],
                          kTruth[TShift],
                          kTruth[Knuc],
                          kTruth[Kon],
                          kTruth[Koff],
                          kTruth[Knuc] * kTruth[Kon],
                          kTruth[Koff] / kTruth[Kon]};
  for (const int32_t q : kProfiled) {
    const std::optional<TInterval> interval = IntervalOf(r, q);
    ASSERT_TRUE(interval.has_value()) << q;
    EXPECT_EQ(r.Status[q], TProfileStatus::Done) << q;
    EXPECT_LT(interval->Low, truth[q]) << q;
    EXPECT_GT(interval->High, truth[q]) << q;
    EXPECT_FALSE(interval->LowAtBound || interval->HighAtBound) << q;
    // The curve holds the best point and reaches past both ends.
    const TProfileCurve& curve = r.Curve[q];
    EXPECT_LT(curve.Value.front(), interval->Low) << q;
    EXPECT_GT(curve.Value.back(), interval->High) << q;
    EXPECT_GT(curve.SSR.front(), r.Threshold) << q;
    EXPECT_GT(curve.SSR.back(), r.Threshold) << q;
  }
  EXPECT_FALSE(r.Param[TShift].has_value());
  EXPECT_EQ(r.Status[TShift], TProfileStatus::NotProfiled);
  const auto ratio = [](const std::optional<TInterval>& i) { return i->High / i->Low; };
  EXPECT_LT(ratio(r.KnucKon), ratio(r.Param[Knuc]));
  EXPECT_NEAR(
      r.SSRMin,
      refined_->Count *
          [&] {
            TModel c = *refined_;
            return Evaluate(c);
          }(),
      1e-12 * r.SSRMin);
}

// Each end moved 1 % inward lies inside, 1 % outward outside, by a global refit in the test.
TEST_F(SyntheticProfile, EndsMovedInwardOrOutwardCrossTheThreshold) {
  const TProfileResult& r = *result_;
  for (const int32_t k : {BFluo, Knuc, Kon, Koff}) {
    const TInterval interval = *r.Param[k];
    EXPECT_LT(RefitSSR(*refined_, k, interval.Low * 1.01), r.Threshold) << ParamName(k);
    EXPECT_GT(RefitSSR(*refined_, k, interval.Low * 0.99), r.Threshold) << ParamName(k);
    EXPECT_LT(RefitSSR(*refined_, k, interval.High * 0.99), r.Threshold) << ParamName(k);
    EXPECT_GT(RefitSSR(*refined_, k, interval.High * 1.01), r.Threshold) << ParamName(k);
  }
}

TEST_F(SyntheticProfile, ASecondRunIsBitIdentical) {
  TModel again = *refined_;
  const TProfileResult r = ProfileIntervals(again);
  EXPECT_EQ(again.Param, profiled_->Param);
  EXPECT_EQ(again.Fitted, profiled_->Fitted);
  EXPECT_EQ(r.SSRMin, result_->SSRMin);
  EXPECT_EQ(r.Threshold, result_->Threshold);
  for (int32_t q = 0; q < kProfileQuantities; ++q) {
    EXPECT_EQ(r.Curve[q].Value, result_->Curve[q].Value) << q;
    EXPECT_EQ(r.Curve[q].SSR, result_->Curve[q].SSR) << q;
    EXPECT_EQ(r.Status[q], result_->Status[q]) << q;
    const std::optional<TInterval> a = IntervalOf(r, q), b = IntervalOf(*result_, q);
    ASSERT_EQ(a.has_value(), b.has_value()) << q;
    if (a) {
      EXPECT_EQ(a->Low, b->Low) << q;
      EXPECT_EQ(a->High, b->High) << q;
    }
  }
}

// The default case with TShift fixed ends with Koff on its upper bound.
TEST(Profile, ARateOnItsBoundHasThatEndFlagged) {
  TModel m = testing::DefaultModel();
  m.Fit[TShift] = false;
  const TRefinement refinement = RefineLeastSquares(m);
  ASSERT_TRUE(refinement.OnBound[Koff]);
  ASSERT_EQ(m.Param[Koff], m.Max[Koff]);
  const TProfileResult r = ProfileIntervals(m);
  EXPECT_EQ(r.Parameters, 3);
  const TInterval koff = *r.Param[Koff];
  EXPECT_EQ(koff.High, m.Max[Koff]);
  EXPECT_TRUE(koff.HighAtBound);
  EXPECT_FALSE(koff.LowAtBound);
  EXPECT_LT(koff.Low, m.Max[Koff]);
  for (const int32_t k : {BFluo, Knuc, Kon}) {
    EXPECT_FALSE(r.Param[k]->LowAtBound || r.Param[k]->HighAtBound) << ParamName(k);
  }
}

TEST(Profile, AStopKeepsTheFinishedIntervalsAndTheBestPoint) {
  auto holder = std::make_unique<TModel>(testing::DefaultModel());
  holder->Fit[TShift] = false;
  RefineLeastSquares(*holder);
  const TParamSet best = holder->Param;
  holder->Fitted.assign(holder->Count, 0);
  int32_t reports = 0;
  const TProfileResult r = ProfileIntervals([&]() -> TModel& { return *holder; },
                                            [&](const TProfileProgress& p) {
                                              ++reports;
                                              EXPECT_EQ(p.Quantities, 6);
                                              return p.QuantitiesDone < 2;
                                            });
  EXPECT_TRUE(r.Stopped);
  EXPECT_GE(reports, 2);
  int32_t done = 0;
  for (const int32_t q : kProfiled) {
    if (r.Status[q] != TProfileStatus::Done) break;
    EXPECT_TRUE(IntervalOf(r, q).has_value()) << q;
    ++done;
  }
  EXPECT_GE(done, 2);
  EXPECT_LT(done, 6);
  for (size_t i = static_cast<size_t>(done); i < std::size(kProfiled); ++i) {
    EXPECT_EQ(r.Status[kProfiled[i]], TProfileStatus::Unfinished) << kProfiled[i];
    EXPECT_FALSE(IntervalOf(r, kProfiled[i]).has_value()) << kProfiled[i];
  }
  EXPECT_EQ(holder->Param, best);
  TModel copy = *holder;
  Evaluate(copy);
  EXPECT_EQ(holder->Fitted, copy.Fitted);
}

// Koff may go down to -1: a held solve that reaches a negative Koff fails in its square root.
TEST(Profile, AnEvaluationErrorCutsThatProfileShortAndTheOthersGoOn) {
  TModel m = SyntheticTrace({50, 100, 5e-7, 4, 0.05});
  RefineLeastSquares(m);
  m.Min[Koff] = -1;
  const TParamSet best = m.Param;
  const TProfileResult r = ProfileIntervals(m);
  EXPECT_EQ(r.Status[Koff], TProfileStatus::CutShort);
  EXPECT_NE(r.Note[Koff].find("cut short below"), std::string::npos) << r.Note[Koff];
  EXPECT_NE(r.Note[Koff].find("Invalid floating point operation"), std::string::npos);
  ASSERT_TRUE(r.Param[Koff].has_value());
  EXPECT_GT(r.Param[Koff]->Low, 0);
  EXPECT_LT(r.Param[Koff]->Low, best[Koff]);
  EXPECT_FALSE(r.Param[Koff]->LowAtBound);
  EXPECT_FALSE(r.Stopped);
  EXPECT_EQ(r.Status[BFluo], TProfileStatus::Done);
  for (const int32_t q : kProfiled) {
    EXPECT_TRUE(IntervalOf(r, q).has_value()) << q;
  }
  EXPECT_EQ(m.Param, best);
}

TEST(Profile, RefusesWhatItCannotProfileAndChangesNothing) {
  struct Case {
    const char* name;
    void (*spoil)(TModel&);
    const char* message;
  };
  const Case cases[] = {
      {"no marks", [](TModel& m) { m.Fit = {}; }, "No parameter is marked for fitting"},
      {"every marked one on a bound",
       [](TModel& m) {
         m.Fit = {false, false, true, false, true};
         m.Param[Knuc] = m.Max[Knuc];
         m.Param[Koff] = m.Min[Koff];
       },
       "Every marked parameter is on a bound: there is nothing to profile"},
      {"crossed bounds", [](TModel& m) { m.Min[Kon] = 30; },
       "The bounds of Kon are crossed: its minimum is above its maximum"},
      {"too few points",
       [](TModel& m) {
         m = TModel(5);
         testing::SetWindowDefaults(m);
       },
       "Too few points for the refinement: 5 points, 5 marked parameters need at least 6"},
  };
  for (const Case& c : cases) {
    TModel m = testing::DefaultModel();
    c.spoil(m);
    m.Fitted.assign(m.Count, 7);
    const TModel before = m;
    try {
      ProfileIntervals(m);
      ADD_FAILURE() << c.name << ": not refused";
    } catch (const EInvalidInput& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
    EXPECT_EQ(m.Param, before.Param) << c.name;
    EXPECT_EQ(m.Fitted, before.Fitted) << c.name;
  }
  TModel m = testing::DefaultModel();
  EXPECT_THROW(ProfileIntervals(m, 1.0), EInvalidInput);
  EXPECT_THROW(ProfileIntervals(m, 0.0), EInvalidInput);
}

}  // namespace
}  // namespace actinfit
