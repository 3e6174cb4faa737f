#include "core/refine.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <memory>
#include <vector>

#include "core/errors.h"
#include "core/fit_report.h"
#include "core/fit_statistics.h"
#include "core/refine_local.h"
#include "core/trace_shape.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

// The best error attainable within the default bounds on the default case, all five marked:
// found by bench/refine_profile.cpp (a profile over the TShift stairs, a grid of starts refined
// with Ceres' own central differences on each stair), at TShift 118.2.
constexpr double kDefaultBest = 103.7075886;

// Reproducible noise in [-1, 1).
double Noise(int32_t i) {
  const double x = std::sin(i * 12.9898) * 43758.5453;
  return (x - std::floor(x) - 0.5) * 2;
}

// The default record with its readings replaced by the model's own curve at `truth` plus noise of
// amplitude 5, and its parameters set back to the defaults.
TModel SyntheticTrace(const TParamSet& truth) {
  TModel m = testing::DefaultModel();
  m.Param = truth;
  Evaluate(m);
  for (int32_t i = 0; i < m.Count; ++i) m.Data[i] = m.Fitted[i] + 5 * Noise(i);
  m.Param = testing::DefaultModel().Param;
  return m;
}

double ErrorAt(const TModel& m, const TParamSet& params) {
  TModel copy = m;
  copy.Param = params;
  return Evaluate(copy);
}

// One local solve from the typed values, as a plain least-squares fit would do it.
double LocalFitError(const TModel& m) {
  TModel copy = m;
  refine::TContext context([&copy]() -> TModel& { return copy; }, nullptr, 1);
  std::vector<refine::TAxis> axes;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (m.Fit[k] && k != TShift) axes.push_back(refine::MakeAxis(m, k));
  }
  return refine::Solve(context, axes, {m.Param, INFINITY, {}}, {200, 1e-10}).error;
}

TEST(Refine, DefaultCaseEndsNearTheBestAttainableAndIsDeterministic) {
  TModel first = testing::DefaultModel();
  const TRefinement r = RefineLeastSquares(first);
  EXPECT_LE(r.Error, kDefaultBest * 1.003);
  EXPECT_GE(r.Error, kDefaultBest * 0.999);  // else the reference is stale
  EXPECT_EQ(r.Error, ErrorAt(first, first.Param));
  EXPECT_EQ(first.Fitted, [&] {
    TModel c = first;
    Evaluate(c);
    return c.Fitted;
  }());
  for (int32_t k = 0; k < kParamCount; ++k) {
    EXPECT_GE(first.Param[k], first.Min[k]) << ParamName(k);
    EXPECT_LE(first.Param[k], first.Max[k]) << ParamName(k);
  }
  EXPECT_GE(r.StartsReachingBest, 1);
  EXPECT_LE(r.StartsReachingBest, r.Starts);
  EXPECT_TRUE(std::isnan(r.StdError[TShift]));
  for (int32_t k = 0; k < kParamCount; ++k) {
    EXPECT_EQ(std::isnan(r.StdError[k]), k == TShift || r.OnBound[k]) << ParamName(k);
  }

  TModel second = testing::DefaultModel();
  const TRefinement again = RefineLeastSquares(second);
  EXPECT_EQ(second.Param, first.Param);
  EXPECT_EQ(again.Error, r.Error);
  EXPECT_EQ(again.Evaluations, r.Evaluations);
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (!std::isnan(r.StdError[k])) {
      EXPECT_EQ(again.StdError[k], r.StdError[k]);
    }
  }
}

TEST(Refine, FindsTheBestValleyWhereTheLocalFitFromTheTypedValuesDoesNot) {
  const TParamSet truth{50, 100, 5e-7, 4, 10};
  TModel m = SyntheticTrace(truth);
  m.Fit[TShift] = false;
  const double local = LocalFitError(m);
  const TRefinement r = RefineLeastSquares(m);
  EXPECT_GT(local, 10 * r.Error);  // the typed values lead a local fit astray
  EXPECT_LE(r.Error, ErrorAt(m, truth));
  EXPECT_EQ(m.Param[TShift], 100);
}

TEST(Refine, StandardErrorsAndCorrelationsMatchACentralDifferenceJacobian) {
  TModel m = SyntheticTrace({50, 100, 5e-7, 4, 10});
  m.Fit[TShift] = false;
  const TRefinement r = RefineLeastSquares(m);
  const int32_t free[] = {BFluo, Knuc, Kon, Koff};
  for (const int32_t k : free) ASSERT_FALSE(r.OnBound[k]) << ParamName(k);
  ASSERT_EQ(r.Refined, 4);

  // J by central differences in each parameter's own units, 1e-4 of its value.
  const int32_t n = m.Count;
  Eigen::MatrixXd jacobian(n, 4);
  for (int32_t c = 0; c < 4; ++c) {
    TParamSet up = m.Param, down = m.Param;
    const double h = 1e-4 * std::fabs(m.Param[free[c]]);
    up[free[c]] += h;
    down[free[c]] -= h;
    TModel a = m, b = m;
    a.Param = up;
    b.Param = down;
    Evaluate(a);
    Evaluate(b);
    for (int32_t i = 0; i < n; ++i) jacobian(i, c) = (a.Fitted[i] - b.Fitted[i]) / (2 * h);
  }
  const double s2 = n * r.Error / (n - 4);
  const Eigen::MatrixXd covariance = s2 * (jacobian.transpose() * jacobian).inverse();
  for (int32_t a = 0; a < 4; ++a) {
    const double se = std::sqrt(covariance(a, a));
    EXPECT_NEAR(r.StdError[free[a]], se, 0.05 * se) << ParamName(free[a]);
    for (int32_t b = 0; b < 4; ++b) {
      const double corr = covariance(a, b) / std::sqrt(covariance(a, a) * covariance(b, b));
      EXPECT_NEAR(r.Correlation[free[a]][free[b]], corr, 0.05 * std::fabs(corr) + 1e-3)
          << ParamName(free[a]) << " with " << ParamName(free[b]);
    }
  }
  for (int32_t k = 0; k < kParamCount; ++k) EXPECT_TRUE(std::isnan(r.Correlation[TShift][k]));
}

TEST(Refine, FindsATimeShiftManyStairsAway) {
  const TParamSet truth{50, 30, 5e-7, 4, 10};
  TModel m = SyntheticTrace(truth);
  m.Param[TShift] = 150;  // 1200 stairs from the truth
  const TRefinement r = RefineLeastSquares(m);
  EXPECT_NEAR(m.Param[TShift], 30, 1);
  EXPECT_LE(r.Error, ErrorAt(m, truth));
  EXPECT_TRUE(std::isnan(r.StdError[TShift]));
}

TEST(Refine, RefusesWhatItCannotRefineAndChangesNothing) {
  struct Case {
    const char* name;
    void (*spoil)(TModel&);
    const char* message;
  };
  const Case cases[] = {
      {"no marks", [](TModel& m) { m.Fit = {}; }, "No parameter is marked for fitting"},
      {"crossed bounds", [](TModel& m) { m.Min[Kon] = 30; },
       "The bounds of Kon are crossed: its minimum is above its maximum"},
      {"too few points",
       [](TModel& m) {
         m = TModel(5);
         m.Param = testing::DefaultModel().Param;
         m.Min = testing::DefaultModel().Min;
         m.Max = testing::DefaultModel().Max;
         m.Fit = {true, true, true, true, true};
       },
       "Too few points for the refinement: 5 points, 5 marked parameters need at least 6"},
  };
  for (const Case& c : cases) {
    TModel m = testing::DefaultModel();
    c.spoil(m);
    const TModel before = m;
    try {
      RefineLeastSquares(m);
      ADD_FAILURE() << c.name << ": not refused";
    } catch (const EInvalidInput& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
    EXPECT_EQ(m.Param, before.Param) << c.name;
    EXPECT_EQ(m.Fitted, before.Fitted) << c.name;
  }
  // Crossed bounds of an unmarked parameter do not matter.
  TModel m = testing::DefaultModel();
  m.Fit = {true, false, false, false, false};
  m.Min[Kon] = 30;
  EXPECT_NO_THROW(RefineLeastSquares(m));
}

// Points at which the model cannot be evaluated are passed over, and counted: spread starts
// that reach a negative Koff (its square root fails), and a trace at 0.5 uM whose fast trial
// rates make the Euler steps diverge. The search still ends at least as low as the truth.
TEST(Refine, TrialsThatFailArePassedOverAndCounted) {
  struct TCase {
    const char* name;
    double gActin, koffMin;
    int32_t TTrialFailures::*cause;
  };
  const TCase cases[] = {
      {"negative Koff", 6, -20, &TTrialFailures::Invalid},
      {"diverging Euler steps at 0.5 uM", 0.5, 0.001, &TTrialFailures::Overflow},
  };
  for (const TCase& c : cases) {
    TModel m = testing::DefaultModel();
    m.Init[0] = c.gActin;
    const TParamSet truth = {50, 100, 1e-8, 8, 1};
    m.Param = truth;
    Evaluate(m);
    for (int32_t i = 0; i < m.Count; ++i) m.Data[i] = m.Fitted[i] + 5 * Noise(i);
    m.Min[Koff] = c.koffMin;
    m.Max[Kon] = 100;
    m.Max[Koff] = 100;
    m.Param = testing::DefaultModel().Param;
    const TRefinement r = RefineLeastSquares(m);
    EXPECT_GT(r.Failures.*c.cause, 0) << c.name;
    EXPECT_EQ(r.Failures.Trials, r.Evaluations - 1) << c.name;  // all but the final curve
    EXPECT_GE(m.Param[Koff], 0) << c.name;
    EXPECT_LE(r.Error, ErrorAt(m, truth) * (1 + 1e-9)) << c.name;
    EXPECT_EQ(r.Error, ErrorAt(m, m.Param)) << c.name;
    EXPECT_NE(TrialFailuresSentence(r.Failures).find(" trial points"), std::string::npos);
  }
}

// When no start can be evaluated the refinement fails with the error and leaves Param alone.
TEST(Refine, FailsWhenNoStartCanBeEvaluated) {
  TModel m = testing::DefaultModel();
  m.Fit = {true, false, true, true, false};
  m.Param[Koff] = -1;  // held, so every trial takes a square root of a negative number
  const TParamSet before = m.Param;
  EXPECT_THROW(RefineLeastSquares(m), EInvalidOp);
  EXPECT_EQ(m.Param, before);
}

TEST(Refine, TrialFailuresSentenceNamesEachCauseWithItsCount) {
  struct TCase {
    TTrialFailures failures;
    const char* sentence;
  };
  const TCase cases[] = {
      {{100, 0, 0, 0, {}, {}, {}}, ""},
      {{25000, 312, 0, 0, {}, {}, {}},
       "The Euler steps diverged at 312 of 25 000 trial points: the time step is too coarse for "
       "rates that fast. The search passed over those points."},
      {{1234567, 0, 2, 1000, {}, {}, {}},
       "A division by zero at 2 of 1 234 567 trial points; an invalid floating point operation "
       "at 1 000 of 1 234 567 trial points. The search passed over those points."},
  };
  for (const TCase& c : cases) EXPECT_EQ(TrialFailuresSentence(c.failures), c.sentence);
}

// The time step's share: the best point refitted with half the time step, checked against a
// refit the test makes itself (every refined parameter inside its bounds solved from the best
// point at Dt / 2 to a tight tolerance), and against the error of the best point at Dt / 2.
TEST(Refine, HalvedTimeStepCheckAgreesWithARefitInTheTest) {
  TModel m = SyntheticTrace({50, 100, 5e-7, 4, 0.05});
  m.Dt = 0.5;  // coarse, so that halving it moves the rates
  const TRefinement r = RefineLeastSquares(m);
  ASSERT_TRUE(r.DtCheck.has_value());
  const TDtCheck& check = *r.DtCheck;
  EXPECT_EQ(check.Dt, 0.5);
  EXPECT_EQ(check.Error, r.Error);

  TModel half = m;
  half.Dt = 0.25;
  const double atBest = ErrorAt(half, m.Param);
  refine::TContext context([&half]() -> TModel& { return half; }, nullptr, 1);
  std::vector<refine::TAxis> axes;
  for (const int32_t k : {BFluo, Knuc, Kon, Koff}) {
    if (!r.OnBound[k]) axes.push_back(refine::MakeAxis(half, k));
  }
  const refine::TLocalResult refit =
      refine::Solve(context, axes, {m.Param, INFINITY, {}}, {400, 1e-14});
  EXPECT_LE(check.HalfError, atBest);
  EXPECT_NEAR(check.HalfError, refit.error, 1e-7 * refit.error);
  ASSERT_EQ(check.Moves.size(), axes.size());
  bool anyWarned = false;
  for (size_t a = 0; a < axes.size(); ++a) {
    const TDtMove& move = check.Moves[a];
    EXPECT_EQ(move.Name, ParamName(axes[a].index));
    EXPECT_EQ(move.Value, m.Param[axes[a].index]);
    EXPECT_NEAR(move.HalfValue, refit.set[axes[a].index], 1e-3 * std::fabs(move.Value))
        << move.Name;
    anyWarned = anyWarned || move.Warn();
  }
  // At Dt 0.5 the bias of the Euler steps exceeds what the noise allows: a warning names it.
  const std::vector<std::string> sentences = DtCheckSentences(check);
  ASSERT_EQ(sentences.size(), anyWarned ? 2u : 1u);
  EXPECT_EQ(sentences[0].rfind("Halving the time step (to 0.25 s) moves the error by ", 0), 0u);
  EXPECT_TRUE(anyWarned);
  EXPECT_NE(sentences.back().find("too coarse for"), std::string::npos);
}

// Readings that do not rise, or fall, are named as such; a rising trace, noisy or not, is not.
TEST(Refine, TraceShapeTellsFlatAndFallingTraces) {
  struct TCase {
    const char* name;
    double change;  // from the first reading to the last, linear
    double noise;   // amplitude of the reproducible noise in [-1, 1)
    TRise rise;
  };
  const TCase cases[] = {
      {"noise alone", 0, 5, TRise::Flat},        {"a rise within the noise", 6, 5, TRise::Flat},
      {"a decay", -1000, 5, TRise::Falls},       {"a clear rise", 1000, 5, TRise::Rises},
      {"a noiseless rise", 10, 0, TRise::Rises}, {"constant readings", 0, 0, TRise::Flat},
  };
  for (const TCase& c : cases) {
    std::vector<double> readings;
    for (int32_t i = 0; i < 401; ++i)
      readings.push_back(50 + c.change * i / 400 + c.noise * Noise(i));
    const TTraceShape shape = TraceShape(readings);
    EXPECT_EQ(shape.Rise, c.rise) << c.name;
    // Uniform noise on [-a, a) has the standard deviation a / sqrt(3).
    if (c.noise > 0) {
      EXPECT_NEAR(shape.Noise, c.noise / std::sqrt(3.0), 0.3 * c.noise) << c.name;
    }
    const std::string sentence = TraceShapeSentence(shape, "The trace");
    EXPECT_EQ(sentence.empty(), c.rise == TRise::Rises) << c.name;
  }
  // The fit of a falling trace is still given, and its report says so.
  TModel m = testing::DefaultModel();
  for (int32_t i = 0; i < m.Count; ++i) m.Data[i] = 1300 - m.Data[i] + 5 * Noise(i);
  const TRefinement r = RefineLeastSquares(m);
  const std::vector<std::string> notes = DataSentences(FitStatistics(m, r));
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes[0].rfind("The trace falls: its readings drop by ", 0), 0u) << notes[0];
}

TEST(Refine, AReportCanStopItOrReplaceTheRecord) {
  auto holder = std::make_unique<TModel>(testing::DefaultModel());
  const double startError = ErrorAt(*holder, holder->Param);
  const ModelAccess access = [&holder]() -> TModel& { return *holder; };
  int32_t reports = 0;
  const TRefinement stopped = RefineLeastSquares(access, [&](const TRefineProgress& p) {
    ++reports;
    EXPECT_LE(p.BestError, startError);
    return false;
  });
  EXPECT_EQ(reports, 1);
  EXPECT_TRUE(stopped.Stopped);
  EXPECT_LT(stopped.Error, startError);
  EXPECT_EQ(stopped.Error, ErrorAt(*holder, holder->Param));

  // A record of another size ends it; the best point so far goes into the new record.
  holder = std::make_unique<TModel>(testing::DefaultModel());
  const TRefinement replaced = RefineLeastSquares(access, [&](const TRefineProgress&) {
    auto other = std::make_unique<TModel>(testing::DefaultModel());
    other->Count = 601;
    for (auto* v : {&other->Time, &other->Data, &other->Fitted, &other->Residual}) v->resize(601);
    holder = std::move(other);
    return true;
  });
  EXPECT_TRUE(replaced.Stopped);
  EXPECT_EQ(holder->Count, 601);
  EXPECT_EQ(replaced.Error, ErrorAt(*holder, holder->Param));
}

}  // namespace
}  // namespace actinfit
