#include "core/search.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "core/errors.h"
#include "core/model.h"
#include "core/random.h"

namespace actinfit {
namespace {

using Params = std::array<double, kParamCount>;

// The shape of the default data set: 1201 points, flat at 50 up to t = 100 s, then a smooth rise
// to about 1308 at 1200 s; the default parameters, bounds, marks and initial state.
std::unique_ptr<TModel> DefaultRecord() {
  auto m = std::make_unique<TModel>(1201);
  for (int32_t i = 0; i < m->Count; ++i) {
    const double rise = (i - 100.0) / 300.0;
    m->Data[i] = i <= 100 ? 50 : 50 + 1258 * (1 - std::exp(-rise * rise));
  }
  m->Param = {10, 100, 1e-8, 8, 1};
  m->Min = {0, 0, 1e-11, 1, 0};
  m->Max = {100, 200, 1e-6, 20, 20};
  m->Fit = {true, true, true, true, true};
  m->Init = {6, 0, 0};
  m->Dt = 0.1;
  return m;
}

// A record marked for `marks` only, its readings set to its own model curve at `truth`.
std::unique_ptr<TModel> RecordFittingItself(const Params& truth, std::array<bool, 5> marks) {
  auto m = DefaultRecord();
  m->Param = truth;
  Evaluate(*m);
  m->Data = m->Fitted;
  m->Fit = marks;
  return m;
}

double ErrorOf(const TModel& m, const Params& params) {
  TModel copy = m;
  copy.Param = params;
  return Evaluate(copy);
}

ModelAccess AccessTo(std::unique_ptr<TModel>& holder) {
  return [&holder]() -> TModel& { return *holder; };
}

constexpr double kSentinel = -12345;
constexpr std::array<bool, 5> kNoMarks{};

// --- Coordinate search ------------------------------------------------------------------------

TEST(SearchFit, FewerThanOneIterationOnlyEvaluatesTheStart) {
  for (const int32_t maxIterations : {0, -5}) {
    auto holder = DefaultRecord();
    std::fill(holder->Fitted.begin(), holder->Fitted.end(), kSentinel);
    Params start = holder->Param;
    start[BFluo] = holder->Data[0];  // a marked background starts at the first reading
    double startedWith = -1;
    int32_t reports = 0;
    const double error = RunCoordinateSearch(
        AccessTo(holder), maxIterations, 10, [&](double e) { startedWith = e; },
        [&](int32_t, double, double) { return ++reports, true; });
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(holder->Param, start);
    EXPECT_EQ(error, ErrorOf(*holder, start));
    EXPECT_EQ(startedWith, error);
    EXPECT_NE(holder->Fitted[500], kSentinel);
  }
}

TEST(SearchFit, ShowEveryZeroIsRefusedBeforeAnythingChanges) {
  auto holder = DefaultRecord();
  std::fill(holder->Fitted.begin(), holder->Fitted.end(), kSentinel);
  const Params start = holder->Param;
  try {
    RunCoordinateSearch(AccessTo(holder), 100, 0, nullptr);
    FAIL() << "a report interval of 0 was accepted";
  } catch (const EInvalidInput& e) {
    EXPECT_NE(std::string(e.what()).find("must not be 0"), std::string::npos) << e.what();
  }
  EXPECT_EQ(holder->Param, start);  // not even the background moved to the first reading
  EXPECT_EQ(holder->Fitted[500], kSentinel);
  EXPECT_NO_THROW(CheckShowEvery(-3));
  EXPECT_NO_THROW(CheckShowEvery(1));
}

TEST(SearchFit, ReportsAtMultiplesOfTheIntervalsMagnitudeAfterTheMove) {
  struct Case {
    int32_t maxIterations, showEvery;
    std::vector<int32_t> reported;
  };
  const Case cases[] = {{10, 3, {3, 6, 9}}, {10, -3, {3, 6, 9}}, {4, 10, {}}, {1, 1, {1}}};
  for (const Case& c : cases) {
    auto holder = DefaultRecord();
    holder->Fit = kNoMarks;
    std::vector<int32_t> reported;
    RunCoordinateSearch(AccessTo(holder), c.maxIterations, c.showEvery,
                        [&](int32_t i, double, double) { return reported.push_back(i), true; });
    EXPECT_EQ(reported, c.reported) << c.maxIterations << " / " << c.showEvery;
  }
}

TEST(SearchFit, WithoutMarksEveryIterationHalvesTheStepAndKeepsTheError) {
  auto holder = DefaultRecord();
  holder->Fit = kNoMarks;
  holder->Param[Koff] = 25;  // outside its bounds, but unmarked: never touched
  const Params start = holder->Param;
  const double startError = ErrorOf(*holder, start);
  std::vector<double> steps;
  const double error =
      RunCoordinateSearch(AccessTo(holder), 4, 1, [&](int32_t, double e, double s) {
        EXPECT_EQ(e, startError);
        return steps.push_back(s), true;
      });
  EXPECT_EQ(steps, (std::vector<double>{0.05, 0.025, 0.0125, 0.00625}));
  EXPECT_EQ(error, startError);
  EXPECT_EQ(holder->Param, start);
}

// Checked at every report against the previous one: a grown step means exactly one parameter
// moved by one clamped step of the previous length and the error fell to that set's error; a
// halved step means nothing moved.
TEST(SearchFit, EveryMoveIsOneClampedStepThatLowersTheError) {
  auto holder = DefaultRecord();
  Params prev = holder->Param;
  prev[BFluo] = holder->Data[0];
  double prevError = 0, prevStep = 0.1;
  int32_t moves = 0;
  const auto onReport = [&](int32_t i, double error, double step) {
    const TModel& m = *holder;
    if (step == 1.2 * prevStep) {
      ++moves;
      int32_t changed = 0;
      for (int32_t k = 0; k < kParamCount; ++k) {
        if (m.Param[k] == prev[k]) continue;
        ++changed;
        const double span = prevStep * (m.Max[k] - m.Min[k]);
        const double down = std::max(prev[k] - span, m.Min[k]);
        const double up = std::min(prev[k] + span, m.Max[k]);
        EXPECT_TRUE(std::abs(m.Param[k] - down) <= 1e-12 * std::abs(down) ||
                    std::abs(m.Param[k] - up) <= 1e-12 * std::abs(up))
            << "iteration " << i << ", parameter " << k;
      }
      EXPECT_EQ(changed, 1) << "iteration " << i;
      EXPECT_LT(error, prevError) << "iteration " << i;
    } else {
      EXPECT_EQ(step, 0.5 * prevStep) << "iteration " << i;
      EXPECT_EQ(m.Param, prev) << "iteration " << i;
      EXPECT_EQ(error, prevError) << "iteration " << i;
    }
    EXPECT_EQ(error, ErrorOf(m, m.Param)) << "iteration " << i;
    prev = m.Param;
    prevError = error;
    prevStep = step;
    return true;
  };
  RunCoordinateSearch(
      AccessTo(holder), 25, 1, [&](double e) { prevError = e; }, onReport);
  EXPECT_GT(moves, 3);
}

TEST(SearchFit, MarkedParameterOutsideItsBoundsIsPulledInByAMove) {
  // Both trials from 30 clamp to the upper bound 20, which lies nearer the truth of 8.
  auto holder = RecordFittingItself({10, 100, 1e-8, 8, 1}, {false, false, false, true, false});
  holder->Param[Kon] = 30;
  std::vector<double> kon;
  RunCoordinateSearch(AccessTo(holder), 2, 1, [&](int32_t, double, double) {
    return kon.push_back(holder->Param[Kon]), true;
  });
  ASSERT_EQ(kon.size(), 2u);
  EXPECT_EQ(kon[0], 20);
  EXPECT_DOUBLE_EQ(kon[1], 20 - 0.12 * 19);  // the grown step from the bound, downwards
}

TEST(SearchFit, StopRequestEndsTheSearchAtThatReport) {
  auto holder = DefaultRecord();
  std::vector<int32_t> reported;
  double lastError = 0;
  const double error =
      RunCoordinateSearch(AccessTo(holder), 100, 10, [&](int32_t i, double e, double) {
        reported.push_back(i);
        lastError = e;
        return i < 20;
      });
  EXPECT_EQ(reported, (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(error, lastError);
}

// A nested Apply during a report replaces the record: the next iteration works on the new one,
// and nothing touches the old one again (AddressSanitizer watches the freed record).
TEST(SearchFit, ContinuesOnARecordReplacedDuringAReport) {
  auto holder = DefaultRecord();
  Params replacement{};
  double firstStep = 0;
  RunCoordinateSearch(AccessTo(holder), 2, 1, [&](int32_t i, double, double step) {
    if (i == 1) {
      holder = DefaultRecord();
      holder->Fit = {false, false, false, true, false};
      holder->Param[Kon] = 12;
      replacement = holder->Param;
      firstStep = step;
    }
    return true;
  });
  const double span = firstStep * (holder->Max[Kon] - holder->Min[Kon]);
  Params others = holder->Param;
  others[Kon] = replacement[Kon];
  EXPECT_EQ(others, replacement);
  const double kon = holder->Param[Kon];
  EXPECT_TRUE(kon == 12 || std::abs(kon - (12 - span)) < 1e-12 ||
              std::abs(kon - (12 + span)) < 1e-12)
      << kon;
}

TEST(SearchFit, TrialValuesAreClampedAndOnlyAFinalOverflowCounts) {
  constexpr double kMax = std::numeric_limits<double>::max();
  struct Case {
    double start;
    int32_t direction;
    double step, min, max, expected;
  };
  const Case cases[] = {
      {5, -1, 0.1, 0, 20, 3},
      {5, +1, 0.1, 0, 20, 7},
      {1, -1, 0.1, 0, 20, 0},
      {19, +1, 0.1, 0, 20, 20},
      {30, -1, 0.1, 1, 20, 20},
      {5, +1, 0, 0, 20, 5},
      {-1e308, +1, 0.1, -1e308, 1e308, -0.8e308},  // the range itself exceeds 64 bits
      {5, -1, 0.1, 10, 2, 2},  // crossed bounds: raised to min, then lowered to max
      {12, +1, 0.1, 10, 2, 2},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(CoordinateTrial(c.start, c.direction, c.step, c.min, c.max), c.expected)
        << c.start << " " << c.direction;
  }
  EXPECT_THROW(CoordinateTrial(kMax, +1, 0.1, -kMax, kMax), EOverflow);
  EXPECT_THROW(CoordinateTrial(std::nan(""), +1, 0.1, 0, 20), EInvalidOp);
}

TEST(SearchFit, WithCrossedBoundsAMarkedParameterEndsOnItsMax) {
  // Kon marked with Min 20 above Max 1: every trial lands below 20, is raised to it, then
  // lowered to 1, which is where the readings were made.
  auto truth = RecordFittingItself({10, 100, 1e-8, 1, 1}, {false, false, false, true, false});
  truth->Param[Kon] = 8;
  truth->Min[Kon] = 20;
  truth->Max[Kon] = 1;
  for (const TEvaluation evaluation : {TEvaluation::OneAtATime, TEvaluation::Batched}) {
    auto m = std::make_unique<TModel>(*truth);
    RunCoordinateSearch(AccessTo(m), 2, 1, {}, {}, evaluation);
    EXPECT_EQ(m->Param[Kon], 1);
  }
}

// --- Random estimation ------------------------------------------------------------------------

class SearchEstimate : public ::testing::Test {
 protected:
  // Every process starts from the same generator state; tests start from it too.
  void SetUp() override { ProcessGenerator() = TShuffledGenerator(); }

  static double FirstValueOfAFreshGenerator() {
    TShuffledGenerator fresh;
    return fresh.Next();
  }
};

// The first values after program start are 0.41599936, 0.09196489 and 0.75641049; they go to
// the marked parameters in parameter order, and Kon is then raised to the drawn Koff.
TEST_F(SearchEstimate, OneDrawTakesTheFirstValuesInParameterOrder) {
  auto holder = DefaultRecord();
  holder->Fit = {false, false, true, true, true};
  int32_t improvements = 0;
  RunRandomEstimation(
      AccessTo(holder), [] { return 1; }, [&](double) { ++improvements; });
  EXPECT_EQ(improvements, 1);
  EXPECT_NEAR(holder->Param[Knuc], 1e-11 + (1e-6 - 1e-11) * 0.41599936, 1e-14);
  EXPECT_NEAR(holder->Param[Koff], 20 * 0.75641049, 1e-6);
  EXPECT_EQ(holder->Param[Kon], holder->Param[Koff]);  // 1 + 19 x 0.09196489 was lower
  EXPECT_EQ(holder->Param[BFluo], 10);
  EXPECT_EQ(holder->Param[TShift], 100);
}

TEST_F(SearchEstimate, SameBestSetFromProgramStartInEveryRun) {
  std::vector<Params> bestSets;
  std::vector<double> bestErrors;
  for (int run = 0; run < 2; ++run) {
    ProcessGenerator() = TShuffledGenerator();
    auto holder = DefaultRecord();
    int32_t improvements = 0;
    bestErrors.push_back(RunRandomEstimation(
        AccessTo(holder), [] { return 30; },
        [&](double best) {
          EXPECT_EQ(best, ErrorOf(*holder, holder->Param));
          ++improvements;
        }));
    EXPECT_GT(improvements, 1);
    bestSets.push_back(holder->Param);
  }
  EXPECT_EQ(bestSets[0], bestSets[1]);
  EXPECT_EQ(bestErrors[0], bestErrors[1]);
}

TEST_F(SearchEstimate, DrawCountBelowOneDrawsNothing) {
  for (const int32_t draws : {0, -3}) {
    auto holder = DefaultRecord();
    const Params applied = holder->Param;
    int32_t asked = 0, improvements = 0;
    const double best = RunRandomEstimation(
        AccessTo(holder), [&] { return ++asked, draws; }, [&](double) { ++improvements; });
    EXPECT_EQ(best, 1e10);
    EXPECT_EQ(holder->Param, applied);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(improvements, 0);
  }
  EXPECT_EQ(ShuffledRandom(), FirstValueOfAFreshGenerator());  // nothing was drawn
}

TEST_F(SearchEstimate, WithoutMarksOnlyTheFirstDrawImproves) {
  auto holder = DefaultRecord();
  holder->Fit = kNoMarks;
  holder->Param[Kon] = 0.5;  // below Koff = 1, and raised although unmarked
  Params expected = holder->Param;
  expected[Kon] = 1;
  int32_t improvements = 0;
  const double best = RunRandomEstimation(
      AccessTo(holder), [] { return 5; }, [&](double) { ++improvements; });
  EXPECT_EQ(improvements, 1);
  EXPECT_EQ(holder->Param, expected);
  EXPECT_EQ(best, ErrorOf(*holder, expected));
  EXPECT_EQ(ShuffledRandom(), FirstValueOfAFreshGenerator());
}

TEST_F(SearchEstimate, DrawCountIsAskedBeforeEveryDraw) {
  auto holder = DefaultRecord();
  std::vector<int32_t> answers{3, 1};  // the field is edited down during the first draw
  size_t asked = 0;
  RunRandomEstimation(
      AccessTo(holder), [&] { return answers[asked++]; }, nullptr);
  EXPECT_EQ(asked, 2u);
}

TEST_F(SearchEstimate, FailingEvaluationLeavesTheFailingDraw) {
  auto holder = DefaultRecord();
  holder->Fit = {false, true, false, false, false};
  holder->Min[TShift] = 5000;  // every draw starts after the last time: no model curve at all
  holder->Max[TShift] = 6000;
  int32_t improvements = 0;
  EXPECT_THROW(RunRandomEstimation(
                   AccessTo(holder), [] { return 3; }, [&](double) { ++improvements; }),
               EInvalidOp);
  EXPECT_EQ(improvements, 0);
  EXPECT_GE(holder->Param[TShift], 5000);
  EXPECT_LE(holder->Param[TShift], 6000);
}

TEST_F(SearchEstimate, BestSetGoesIntoARecordReplacedDuringAnImprovement) {
  auto holder = DefaultRecord();
  holder->Fit = {false, false, false, true, false};
  Params firstBest{};
  double firstError = 0;
  const double best = RunRandomEstimation(
      AccessTo(holder), [] { return 3; },
      [&](double e) {
        ASSERT_EQ(firstError, 0) << "the replacement's draws must not improve";
        firstBest = holder->Param;
        firstError = e;
        holder = DefaultRecord();
        holder->Fit = kNoMarks;
        holder->Param[BFluo] = 1000;  // far worse than any draw on the first record
      });
  EXPECT_EQ(best, firstError);
  EXPECT_EQ(holder->Param, firstBest);
}

// --- Sensitivity grid -------------------------------------------------------------------------

TEST(SearchGrid, DefaultGridsAreLinear) {
  const std::vector<double> p1 = LinearGrid(1e-11, 1e-6, 10);
  const std::vector<double> p2 = LinearGrid(1, 20, 10);
  ASSERT_EQ(p1.size(), 10u);
  ASSERT_EQ(p2.size(), 10u);
  // Spacing (1e-6 - 1e-11) / 9 = 1.11110e-7; P2 goes 1, 3.111..., 5.222..., ..., 20.
  for (int32_t i = 0; i < 10; ++i) {
    EXPECT_NEAR(p1[i], 1e-11 + 1.1111e-7 * i, 1e-17) << i;
    EXPECT_NEAR(p2[i], 1 + 19.0 / 9 * i, 1e-13) << i;
  }
  EXPECT_EQ(p1[0], 1e-11);
  EXPECT_DOUBLE_EQ(p1[9], 1e-6);
  EXPECT_EQ(p2[0], 1);
  EXPECT_DOUBLE_EQ(p2[9], 20);
  EXPECT_TRUE(LinearGrid(5, 7, 0).empty());
}

TEST(SearchGrid, CountsOfOneOrBelowZeroAreRefused) {
  for (const int32_t count : {1, -1, std::numeric_limits<int32_t>::min()}) {
    try {
      CheckGridCount(count, "P1 (nucleation rate)");
      FAIL() << count << " was accepted";
    } catch (const EInvalidInput& e) {
      EXPECT_STREQ(e.what(), "Number of points of P1 (nucleation rate) must be 0 or at least 2");
    }
    EXPECT_THROW(LinearGrid(1, 20, count), EInvalidInput);
  }
  for (const int32_t count : {0, 2, 10}) EXPECT_NO_THROW(CheckGridCount(count, "P2"));
}

struct ScanLog {
  std::vector<std::array<int32_t, 2>> started, done;
  std::vector<double> errors;
  std::vector<int32_t> rows;

  TScanCallbacks Callbacks() {
    return {[this](int32_t i, int32_t j) {
              started.push_back({i, j});
            },
            [this](int32_t i, int32_t j, double e) {
              done.push_back({i, j}), errors.push_back(e);
            },
            [this](int32_t j) { rows.push_back(j); }};
  }
};

TEST(SearchGrid, DefaultScanEvaluatesTenByTenCellsRowByRow) {
  auto holder = DefaultRecord();
  const Params before = holder->Param;
  const std::vector<double> p1 = LinearGrid(1e-11, 1e-6, 10);
  const std::vector<double> p2 = LinearGrid(1, 20, 10);
  ScanLog log;
  RunSensitivityScan(AccessTo(holder), p1, p2, log.Callbacks());
  ASSERT_EQ(log.done.size(), 100u);
  EXPECT_EQ(log.started, log.done);
  EXPECT_EQ(log.rows, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  for (size_t c = 0; c < log.done.size(); ++c) {
    const auto [i, j] = log.done[c];
    EXPECT_EQ(i, static_cast<int32_t>(c % 10));
    EXPECT_EQ(j, static_cast<int32_t>(c / 10));
    Params cell = before;
    cell[Knuc] = p1[i];
    cell[Kon] = p2[j];
    EXPECT_EQ(log.errors[c], ErrorOf(*holder, cell)) << i << ", " << j;
  }
  Params after = before;
  after[Knuc] = p1[9];
  after[Kon] = p2[9];
  EXPECT_EQ(holder->Param, after);
}

TEST(SearchGrid, EmptyGridsGiveRowsWithoutCellsOrNothing) {
  auto holder = DefaultRecord();
  const Params before = holder->Param;
  const std::vector<double> three{1, 2, 3};
  ScanLog noP1, noP2;
  RunSensitivityScan(AccessTo(holder), {}, three, noP1.Callbacks());
  RunSensitivityScan(AccessTo(holder), three, {}, noP2.Callbacks());
  EXPECT_EQ(noP1.rows, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_TRUE(noP1.done.empty());
  EXPECT_TRUE(noP2.rows.empty());
  EXPECT_TRUE(noP2.started.empty());
  EXPECT_EQ(holder->Param, before);
}

TEST(SearchGrid, FailingCellEndsTheScanAfterTheCellsBeforeIt) {
  auto holder = DefaultRecord();
  const std::vector<double> p1{1e-8, 0};  // no nucleation and no filaments: no model curve
  const std::vector<double> p2{8};
  ScanLog log;
  EXPECT_THROW(RunSensitivityScan(AccessTo(holder), p1, p2, log.Callbacks()), EInvalidOp);
  EXPECT_EQ(log.done.size(), 1u);
  EXPECT_EQ(log.started.size(), 2u);
  EXPECT_TRUE(log.rows.empty());
  EXPECT_EQ(holder->Param[Knuc], 0);
}

}  // namespace
}  // namespace actinfit
