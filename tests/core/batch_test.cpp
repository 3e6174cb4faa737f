#include "core/batch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <typeinfo>
#include <vector>

#include "core/errors.h"
#include "core/model.h"
#include "core/random.h"
#include "core/search.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

// Doubles compared to the last bit (a not-a-number equals itself when its bits do).
std::vector<uint64_t> Bits(const std::vector<double>& values) {
  std::vector<uint64_t> bits;
  for (const double v : values) bits.push_back(std::bit_cast<uint64_t>(v));
  return bits;
}
uint64_t Bits(double value) {
  return std::bit_cast<uint64_t>(value);
}
std::vector<uint64_t> Bits(const TParamSet& set) {
  return Bits(std::vector(set.begin(), set.end()));
}

// What a run threw: the error's type, its message and its notice.
struct TFailure {
  std::string type, what, notice;
  bool operator==(const TFailure&) const = default;
};

template <class F>
TFailure FailureOf(F&& run) {
  try {
    run();
  } catch (const EMathError& e) {
    return {typeid(e).name(), e.what(), e.notice()};
  } catch (const Error& e) {
    return {typeid(e).name(), e.what(), {}};
  }
  return {};
}

TFailure FailureOf(const std::exception_ptr& failure) {
  return failure ? FailureOf([&] { std::rethrow_exception(failure); }) : TFailure{};
}

// --- One pass worked out by hand ----------------------------------------------------------------

// Two points at 0 and 1 s, readings 2 and 3, one Euler step of 1 s from G = 6: Knuc G^3 = 0.216,
// so F = 3 x 0.216 = 0.648 at t = 1 and 0 before. Scaled between BFluo and 3 by its own top:
// (BFluo, 3). BFluo 1 leaves residuals (-1, 0), a mean square of 0.5; BFluo 0 leaves (-2, 0),
// 2. A shift of 0.5 s takes the same single step; a shift of 1 s takes none, the curve stays 0
// and scaling divides 0 by 0. Koff -1 fails its square root before anything else.
TEST(BatchEvaluator, SetsWorkedOutByHand) {
  const TParamSet base{1, 0, 1e-3, 8, 1}, zeroBackground{0, 0, 1e-3, 8, 1},
      shiftHalf{1, 0.5, 1e-3, 8, 1}, shiftOne{1, 1, 1e-3, 8, 1}, negativeKoff{1, 0, 1e-3, 8, -1};
  struct Case {
    std::vector<TParamSet> sets;
    int32_t evaluated;
    std::vector<double> errors;
    TFailure failure;
  };
  const TFailure invalid{typeid(EInvalidOp).name(), "Invalid floating point operation", ""};
  const TFailure domain{typeid(EInvalidOp).name(), "Invalid floating point operation",
                        "sqrt: DOMAIN error"};
  const Case cases[] = {
      {{base, zeroBackground, shiftHalf}, 3, {0.5, 2, 0.5}, {}},
      {{base, zeroBackground, shiftHalf, shiftOne, negativeKoff}, 3, {0.5, 2, 0.5}, invalid},
      {{zeroBackground, negativeKoff, shiftOne}, 1, {2}, domain},
      {{shiftOne}, 0, {}, invalid},
      // the failing set in the last lane of a pass of two and of four
      {{base, negativeKoff}, 1, {0.5}, domain},
      {{base, zeroBackground, shiftHalf, negativeKoff}, 3, {0.5, 2, 0.5}, domain},
  };
  for (const Case& c : cases) {
    TModel m(2);
    m.Data = {2, 3};
    m.Param = {7, 7, 7, 7, 7};
    m.Init = {6, 0, 0};
    m.Dt = 1;
    std::vector<double> errors(c.sets.size(), -1);
    TBatchEvaluator batch;
    const TBatchOutcome outcome = batch.Evaluate(m, c.sets, errors);
    const auto evaluated = static_cast<size_t>(c.evaluated);
    EXPECT_EQ(outcome.evaluated, c.evaluated);
    EXPECT_EQ(std::vector(errors.begin(), errors.begin() + evaluated), c.errors);
    EXPECT_EQ(FailureOf(outcome.failure), c.failure);
    if (c.failure == TFailure{}) {
      EXPECT_EQ(m.Param, (TParamSet{7, 7, 7, 7, 7}));    // unchanged
      EXPECT_EQ(m.Fitted, (std::vector<double>{1, 3}));  // the last set's curve
      EXPECT_EQ(m.Residual, (std::vector<double>{-1, 0}));
    } else {
      EXPECT_EQ(m.Param, c.sets[evaluated]);  // the failing set
    }
  }
}

// --- Random records -----------------------------------------------------------------------------

// Small records of every kind the window can make: repeated and negative times, a time step
// wider than their spacing, negative starting concentrations and readings, Kon and F at their
// floors, parameters on and outside their bounds, bounds so wide that trials clamp or overflow,
// a Koff that may go negative, shifts past the last time, and a few empty or refused records.
class TRandomRecords {
 public:
  explicit TRandomRecords(uint64_t seed) : rng_(seed) {}

  double Uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  int32_t Integer(int32_t a, int32_t b) {
    return std::uniform_int_distribution<int32_t>(a, b)(rng_);
  }
  bool Chance(double p) { return Uniform(0, 1) < p; }

  std::unique_ptr<TModel> Record() {
    const int32_t n = Chance(0.03) ? Integer(0, 1) : Integer(2, 40);
    auto m = std::make_unique<TModel>(n);
    // On a grid, the simulated time lands exactly on sample times: the step before a point
    // must be the last one taken for it.
    const bool onGrid = Chance(0.3);
    double t = onGrid ? Integer(-5, 5) : Uniform(-5, 5);
    const bool negativeReadings = Chance(0.1);
    for (int32_t i = 0; i < n; ++i) {
      if (i > 0 && !Chance(0.15)) t += onGrid ? 0.5 * Integer(1, 4) : Uniform(0.01, 2);
      m->Time[i] = t;
      m->Data[i] = negativeReadings ? Uniform(-50, 0) : Uniform(-5, 100);
    }
    m->Dt = Chance(0.01) ? Uniform(-0.1, 0) : Chance(0.1) ? Uniform(1, 3) : Uniform(0.05, 0.5);
    // Filaments without polymer would make the dissociation factor explode at the F floor.
    const double polymer = Chance(0.6) ? 0 : Uniform(-0.5, 2);
    m->Init = {Chance(0.05) ? Uniform(-1, 0) : Uniform(0.5, 8), polymer,
               polymer > 0 && Chance(0.5) ? Uniform(0, polymer / 3) : 0};
    SetBounds(*m, BFluo, Uniform(-10, 20), Uniform(0, 100));
    SetBounds(*m, TShift, Uniform(-5, 3), Chance(0.05) ? 200 : Uniform(0, 8));
    if (onGrid) {
      m->Dt = 0.25 * Integer(1, 4);
      SetBounds(*m, TShift, Integer(-5, 3), Integer(0, 8));
    }
    const double knucWidth = Chance(0.03) ? 1e308 : Chance(0.05) ? 0 : Uniform(0, 1e-3);
    SetBounds(*m, Knuc, Chance(0.3) ? 0 : Uniform(1e-6, 1e-5), knucWidth);
    SetBounds(*m, Kon, Chance(0.1) ? 0 : Chance(0.1) ? 1e-25 : Uniform(0, 3), Uniform(0, 8));
    const double koffMin = Chance(0.1) ? Uniform(-1, 0) : Chance(0.2) ? 0 : Uniform(0, 2);
    SetBounds(*m, Koff, koffMin, Uniform(0, 5));
    for (int32_t k = 0; k < kParamCount; ++k) {
      m->Param[k] = Parameter(m->Min[k], m->Max[k]);
      m->Fit[k] = Chance(0.6);
    }
    // Bounds that wide start on their lower end, so that only a trial overflows.
    if (knucWidth > 1) m->Param[Knuc] = m->Min[Knuc];
    return m;
  }

  // Inside the bounds, on one of them, or beyond the upper one.
  double Parameter(double min, double max) {
    if (Chance(0.15)) return min;
    if (Chance(0.15)) return max;
    if (Chance(0.05)) return max + Uniform(0, 1) * (max - min + 1);
    return Uniform(min, max);
  }

 private:
  static void SetBounds(TModel& m, int32_t k, double min, double width) {
    m.Min[k] = min;
    m.Max[k] = min + width;
  }

  std::mt19937_64 rng_;
};

// Everything a search leaves behind that either path could get wrong.
struct TSearchTrace {
  TFailure failure;
  uint64_t result = 0, started = 0;
  bool begun = false;  // the fit's starting evaluation passed
  std::vector<std::tuple<int32_t, uint64_t, uint64_t>> reports;  // iteration, error, step
  std::vector<std::tuple<int32_t, int32_t, uint64_t>> cells;     // i, j, error
  std::vector<std::vector<uint64_t>> paramsSeen;                 // Param at each callback
  std::vector<int32_t> rows;
  std::vector<uint64_t> param, fitted, residual;
};

void ExpectSameTrace(const TSearchTrace& batched, const TSearchTrace& reference, int32_t c) {
  EXPECT_EQ(batched.failure, reference.failure) << "case " << c << ": " << batched.failure.what;
  EXPECT_EQ(batched.result, reference.result) << "case " << c;
  EXPECT_EQ(batched.started, reference.started) << "case " << c;
  EXPECT_EQ(batched.begun, reference.begun) << "case " << c;
  EXPECT_EQ(batched.reports, reference.reports) << "case " << c;
  EXPECT_EQ(batched.cells, reference.cells) << "case " << c;
  EXPECT_EQ(batched.paramsSeen, reference.paramsSeen) << "case " << c;
  EXPECT_EQ(batched.rows, reference.rows) << "case " << c;
  EXPECT_EQ(batched.param, reference.param) << "case " << c;
  EXPECT_EQ(batched.fitted, reference.fitted) << "case " << c;
  EXPECT_EQ(batched.residual, reference.residual) << "case " << c;
}

void RecordState(TSearchTrace& trace, const TModel& m) {
  trace.param = Bits(m.Param);
  trace.fitted = Bits(m.Fitted);
  trace.residual = Bits(m.Residual);
}

TSearchTrace TraceFit(const TModel& original, int32_t maxIterations, int32_t showEvery,
                      TEvaluation evaluation) {
  auto holder = std::make_unique<TModel>(original);
  TSearchTrace trace;
  const auto started = [&](double e) {
    trace.started = Bits(e);
    trace.begun = true;
  };
  const auto report = [&](int32_t i, double e, double step) {
    trace.reports.emplace_back(i, Bits(e), Bits(step));
    trace.paramsSeen.push_back(Bits(holder->Param));
    return true;
  };
  trace.failure = FailureOf([&] {
    trace.result = Bits(RunCoordinateSearch([&]() -> TModel& { return *holder; }, maxIterations,
                                            showEvery, started, report, evaluation));
  });
  RecordState(trace, *holder);
  return trace;
}

TSearchTrace TraceScan(const TModel& original, const std::vector<double>& p1,
                       const std::vector<double>& p2, TEvaluation evaluation) {
  auto holder = std::make_unique<TModel>(original);
  TSearchTrace trace;
  const TScanCallbacks callbacks{[&](int32_t i, int32_t j) {
                                   trace.cells.emplace_back(i, j, 0);
                                   trace.paramsSeen.push_back(Bits(holder->Param));
                                 },
                                 [&](int32_t i, int32_t j, double e) {
                                   trace.cells.emplace_back(i, j, Bits(e));
                                   trace.paramsSeen.push_back(Bits(holder->Param));
                                 },
                                 [&](int32_t j) { trace.rows.push_back(j); }};
  trace.failure = FailureOf([&] {
    RunSensitivityScan([&]() -> TModel& { return *holder; }, p1, p2, callbacks, evaluation);
  });
  RecordState(trace, *holder);
  return trace;
}

// Counts of the outcomes the random cases reached, so that a generator that drifts into only
// successes or only failures is noticed.
struct TCoverage {
  int32_t succeeded = 0, failed = 0;
  void Count(bool failure) { ++(failure ? failed : succeeded); }
  void ExpectBoth(int32_t atLeast) const {
    EXPECT_GE(succeeded, atLeast);
    EXPECT_GE(failed, atLeast);
  }
};

TEST(BatchedSearch, FitMatchesOneAtATimeToTheLastBit) {
  TRandomRecords random(20261208);
  TCoverage coverage;  // of the fits whose start passed: a batch of trials failed, or none did
  int32_t moves = 0;
  for (int32_t c = 0; c < 500; ++c) {
    const auto record = random.Record();
    const int32_t maxIterations = random.Integer(0, 12);
    const int32_t showEvery = random.Chance(0.2) ? -random.Integer(1, 3) : random.Integer(1, 4);
    const TSearchTrace reference =
        TraceFit(*record, maxIterations, showEvery, TEvaluation::OneAtATime);
    const TSearchTrace batched = TraceFit(*record, maxIterations, showEvery, TEvaluation::Batched);
    ExpectSameTrace(batched, reference, c);
    if (reference.begun) coverage.Count(reference.failure != TFailure{});
    if (reference.param != Bits(record->Param)) ++moves;
  }
  coverage.ExpectBoth(20);
  EXPECT_GE(moves, 200);
}

TEST(BatchedSearch, ScanMatchesOneAtATimeToTheLastBit) {
  TRandomRecords random(7);
  TCoverage coverage;
  for (int32_t c = 0; c < 150; ++c) {
    const auto record = random.Record();
    // Up to two passes and a bit per row; now and then a Knuc below 0 that ends the scan.
    std::vector<double> p1(static_cast<size_t>(random.Integer(0, 23)));
    std::vector<double> p2(static_cast<size_t>(random.Integer(0, 3)));
    for (double& v : p1) v = random.Chance(0.02) ? -1 : random.Parameter(0, 1e-3);
    for (double& v : p2) v = random.Parameter(random.Chance(0.3) ? 0 : 1e-25, 20);
    const TSearchTrace reference = TraceScan(*record, p1, p2, TEvaluation::OneAtATime);
    const TSearchTrace batched = TraceScan(*record, p1, p2, TEvaluation::Batched);
    ExpectSameTrace(batched, reference, c);
    coverage.Count(reference.failure != TFailure{});
  }
  coverage.ExpectBoth(20);
}

// What a callback of an estimation does, decided before the run so that both paths meet the
// same: at its n-th call, maybe replace the record, change the draw count, or stop.
struct TEstimateScript {
  std::vector<std::unique_ptr<TModel>> replacements;  // by call; empty: keep the record
  std::vector<int32_t> counts;                        // the draw count from that call on
  int32_t stopAt = -1;
};

struct TEstimateTrace {
  TFailure failure;
  uint64_t result = 0;
  std::vector<std::vector<uint64_t>> improvements;  // the best error, then Param
  std::vector<uint64_t> param;
  int32_t asked = 0;
  uint64_t nextDraw = 0;  // what the generator gives after the run
};

TEstimateTrace TraceEstimate(const TModel& original, const TShuffledGenerator& start,
                             const TEstimateScript& script, TEvaluation evaluation) {
  auto holder = std::make_unique<TModel>(original);
  TShuffledGenerator generator = start;
  TEstimateTrace trace;
  size_t calls = 0;
  int32_t count = script.counts[0];
  TEstimateCallbacks callbacks;
  callbacks.drawCount = [&] { return ++trace.asked, count; };
  callbacks.improved = [&](double best) {
    std::vector<uint64_t> seen{Bits(best)};
    for (const uint64_t p : Bits(holder->Param)) seen.push_back(p);
    trace.improvements.push_back(seen);
    const size_t call = calls++ % script.replacements.size();
    if (script.replacements[call]) holder = std::make_unique<TModel>(*script.replacements[call]);
    count = script.counts[call];
    return static_cast<int32_t>(call) != script.stopAt;
  };
  callbacks.pause = [] { return true; };  // its points differ between the paths by design
  trace.failure = FailureOf([&] {
    trace.result = Bits(RunRandomEstimation([&]() -> TModel& { return *holder; }, generator,
                                            callbacks, evaluation));
  });
  trace.param = Bits(holder->Param);
  trace.nextDraw = Bits(generator.Next());
  return trace;
}

// Random records, counts and callbacks that replace the record, change the count or stop;
// bounds so wide now and then that a draw overflows.
TEST(BatchedSearch, EstimationMatchesOneAtATimeToTheLastBit) {
  TRandomRecords random(314);
  TCoverage coverage;
  int32_t cut = 0;
  for (int32_t c = 0; c < 300; ++c) {
    const auto widen = [&](TModel& m) {
      if (!random.Chance(0.05)) return;
      const int32_t k = random.Integer(0, kParamCount - 1);
      m.Min[k] = -1.5e308, m.Max[k] = 1.5e308, m.Fit[k] = true;
    };
    const auto record = random.Record();
    widen(*record);
    TEstimateScript script;
    for (int32_t call = 0; call < 4; ++call) {
      script.replacements.push_back(random.Chance(0.2) ? random.Record() : nullptr);
      if (script.replacements.back()) widen(*script.replacements.back());
      script.counts.push_back(random.Chance(0.1) ? random.Integer(-1, 2) : random.Integer(0, 40));
    }
    if (random.Chance(0.2)) script.stopAt = random.Integer(0, 3);
    TShuffledGenerator start;
    for (int32_t skip = random.Integer(0, 60); skip > 0; --skip) start.Next();

    const TEstimateTrace reference = TraceEstimate(*record, start, script, TEvaluation::OneAtATime);
    const TEstimateTrace batched = TraceEstimate(*record, start, script, TEvaluation::Batched);
    const auto label = ::testing::Message() << "case " << c;
    EXPECT_EQ(batched.failure, reference.failure) << label << ": " << batched.failure.what;
    EXPECT_EQ(batched.result, reference.result) << label;
    EXPECT_EQ(batched.improvements, reference.improvements) << label;
    EXPECT_EQ(batched.param, reference.param) << label;
    EXPECT_EQ(batched.nextDraw, reference.nextDraw) << label;
    EXPECT_LE(batched.asked, reference.asked) << label;  // batched asks once per batch
    coverage.Count(reference.failure != TFailure{});
    if (reference.improvements.size() > 1) ++cut;
  }
  coverage.ExpectBoth(20);
  EXPECT_GE(cut, 50);  // batches were cut by improvements that called back
}

// Sets that differ in every parameter at once, in passes of every width and beyond one pass, on
// two-lane vectors and, where the processor has them, four-lane ones.
TEST(BatchEvaluator, AnySetsMatchOneAtATimeToTheLastBit) {
  std::vector<TLaneWidth> widths{TLaneWidth::Two};
  if (WidestLaneWidth() == TLaneWidth::Four) widths.push_back(TLaneWidth::Four);
  for (const TLaneWidth width : widths) {
    TRandomRecords random(99);
    TBatchEvaluator batch(width);  // one evaluator for all, as in a search over changing records
    int32_t failed = 0;
    for (int32_t c = 0; c < 300; ++c) {
      const auto record = random.Record();
      std::vector<TParamSet> sets(static_cast<size_t>(random.Integer(1, 23)));
      for (TParamSet& set : sets) {
        for (int32_t k = 0; k < kParamCount; ++k) {
          set[k] = random.Chance(0.5) ? record->Param[k]
                                      : random.Parameter(record->Min[k], record->Max[k]);
        }
      }
      TModel reference = *record, batched = *record;
      std::vector<double> referenceErrors(sets.size(), -1), batchedErrors(sets.size(), -1);
      // Every set's curve is kept as well (the refinement's Jacobians use them).
      const size_t points = sets.size() * static_cast<size_t>(record->Count);
      std::vector<double> referenceCurves(points, -1), batchedCurves(points, -1);
      const TBatchOutcome expected =
          EvaluateOneAtATime(reference, sets, referenceErrors, referenceCurves);
      const TBatchOutcome outcome = batch.Evaluate(batched, sets, batchedErrors, batchedCurves);
      const auto kept = static_cast<std::ptrdiff_t>(expected.evaluated) * record->Count;
      EXPECT_EQ(Bits(std::vector<double>(batchedCurves.begin(), batchedCurves.begin() + kept)),
                Bits(std::vector<double>(referenceCurves.begin(), referenceCurves.begin() + kept)));
      const auto label = ::testing::Message() << "case " << c << ", width " << int(width);
      EXPECT_EQ(outcome.evaluated, expected.evaluated) << label;
      EXPECT_EQ(FailureOf(outcome.failure), FailureOf(expected.failure)) << label;
      EXPECT_EQ(Bits(batchedErrors), Bits(referenceErrors)) << label;
      EXPECT_EQ(Bits(batched.Param), Bits(reference.Param)) << label;
      EXPECT_EQ(Bits(batched.Fitted), Bits(reference.Fitted)) << label;
      EXPECT_EQ(Bits(batched.Residual), Bits(reference.Residual)) << label;
      if (expected.failure) ++failed;
    }
    EXPECT_GE(failed, 30);
  }
}

// Polymer trials on records of their own (other times, counts, concentrations and steps, as the
// traces of a series have) match SimulatePolymer one at a time: curves, largest values, the
// first failure and the state of the record it failed on.
TEST(BatchEvaluator, PolymerTrialsOnManyRecordsMatchOneAtATime) {
  std::vector<TLaneWidth> widths{TLaneWidth::Two};
  if (WidestLaneWidth() == TLaneWidth::Four) widths.push_back(TLaneWidth::Four);
  for (const TLaneWidth width : widths) {
    TRandomRecords random(7);
    TBatchEvaluator batch(width);
    int32_t failed = 0;
    for (int32_t c = 0; c < 200; ++c) {
      std::vector<std::unique_ptr<TModel>> records;
      for (int32_t r = random.Integer(1, 5); r > 0; --r) records.push_back(random.Record());
      std::vector<TModel> reference, batched;
      for (const auto& record : records) reference.push_back(*record), batched.push_back(*record);
      const auto trials = random.Integer(1, 30);
      std::vector<TPolymerTrial> expectedTrials, batchedTrials;
      std::vector<std::vector<double>> expectedCurves, batchedCurves;
      for (int32_t t = 0; t < trials; ++t) {
        const auto r =
            static_cast<size_t>(random.Integer(0, static_cast<int32_t>(records.size()) - 1));
        TParamSet set = records[r]->Param;
        for (int32_t k = TShift; k < kParamCount; ++k) {
          if (random.Chance(0.5)) set[k] = random.Parameter(records[r]->Min[k], records[r]->Max[k]);
        }
        expectedCurves.emplace_back(static_cast<size_t>(records[r]->Count), -1);
        batchedCurves.emplace_back(static_cast<size_t>(records[r]->Count), -1);
        expectedTrials.push_back({&reference[r], set, nullptr});
        batchedTrials.push_back({&batched[r], set, nullptr});
      }
      for (int32_t t = 0; t < trials; ++t) {
        expectedTrials[static_cast<size_t>(t)].curve =
            expectedCurves[static_cast<size_t>(t)].data();
        batchedTrials[static_cast<size_t>(t)].curve = batchedCurves[static_cast<size_t>(t)].data();
      }
      std::vector<double> expectedLargest(static_cast<size_t>(trials), -1),
          batchedLargest(static_cast<size_t>(trials), -1);
      const TBatchOutcome expected = SimulatePolymerOneAtATime(expectedTrials, expectedLargest);
      const TBatchOutcome outcome = batch.SimulatePolymers(batchedTrials, batchedLargest);
      const auto label = ::testing::Message() << "case " << c << ", width " << int(width);
      ASSERT_EQ(outcome.evaluated, expected.evaluated) << label;
      EXPECT_EQ(FailureOf(outcome.failure), FailureOf(expected.failure)) << label;
      for (int32_t t = 0; t < expected.evaluated; ++t) {
        const auto at = static_cast<size_t>(t);
        EXPECT_EQ(Bits(batchedCurves[at]), Bits(expectedCurves[at])) << label << ", trial " << t;
        EXPECT_EQ(Bits(batchedLargest[at]), Bits(expectedLargest[at])) << label << ", trial " << t;
      }
      if (expected.failure) {
        const TModel& failedOn = *batchedTrials[static_cast<size_t>(expected.evaluated)].record;
        const TModel& reference = *expectedTrials[static_cast<size_t>(expected.evaluated)].record;
        EXPECT_EQ(Bits(failedOn.Param), Bits(reference.Param)) << label;
        EXPECT_EQ(Bits(failedOn.Fitted), Bits(reference.Fitted)) << label;
        ++failed;
      }
    }
    EXPECT_GE(failed, 20);
  }
}

TEST(BatchEvaluator, NotANumberAndTinyPolymerInAnyLaneMatchOneAtATime) {
  // A not-a-number background raises no flag on its way; a Knuc of 1E-40 keeps F between 0 and
  // the floor of 1E-20 after each step, where the dissociation factor must use the floor.
  const double nan = std::nan("");
  TModel m = testing::DefaultModel();
  const TParamSet base = m.Param, tinyKnuc{10, 100, 1e-40, 8, 1}, tinierKnuc{10, 100, 1e-39, 8, 1},
                  notANumber{nan, 100, 1e-8, 8, 1};
  const std::vector<std::vector<TParamSet>> cases = {
      {tinyKnuc, tinierKnuc, base},
      {base, notANumber},
      {base, base, base, notANumber},
      {base, tinyKnuc, base, base, base, base, base, base, base, notANumber},
  };
  for (size_t c = 0; c < cases.size(); ++c) {
    TModel reference = m, batched = m;
    std::vector<double> referenceErrors(cases[c].size(), -1), batchedErrors(cases[c].size(), -1);
    const TBatchOutcome expected = EvaluateOneAtATime(reference, cases[c], referenceErrors);
    TBatchEvaluator batch;
    const TBatchOutcome outcome = batch.Evaluate(batched, cases[c], batchedErrors);
    EXPECT_EQ(outcome.evaluated, expected.evaluated) << c;
    EXPECT_EQ(FailureOf(outcome.failure), FailureOf(expected.failure)) << c;
    EXPECT_EQ(Bits(batchedErrors), Bits(referenceErrors)) << c;
    EXPECT_EQ(Bits(batched.Param), Bits(reference.Param)) << c;
  }
}

// --- Failing trials in one iteration ------------------------------------------------------------

// The default case with Knuc allowed up to 1E308 and Koff down to -20: the step up of Knuc,
// 1E307, makes Knuc G^3 overflow in the first step; the step down of Koff, 1 - 0.1 x 40 = -3,
// fails its square root. Both lie in the middle of the iteration's ten trials.
TEST(BatchedSearch, FirstFailingTrialRaisesItsErrorWithItsParameters) {
  struct Case {
    const char* name;
    bool wideKnuc, negativeKoff;
    TFailure failure;
    int32_t failingParameter;
  };
  const TFailure overflow{typeid(EOverflow).name(), "Floating point overflow", ""};
  const TFailure domain{typeid(EInvalidOp).name(), "Invalid floating point operation",
                        "sqrt: DOMAIN error"};
  const Case cases[] = {
      {"overflowing Knuc", true, false, overflow, Knuc},
      {"negative Koff", false, true, domain, Koff},
      {"both: Knuc comes first", true, true, overflow, Knuc},
  };
  for (const Case& c : cases) {
    TModel m = testing::DefaultModel();
    if (c.wideKnuc) m.Max[Knuc] = 1e308;
    if (c.negativeKoff) m.Min[Koff] = -20;
    TParamSet expected = m.Param;
    expected[BFluo] = m.Data[0];
    const int32_t k = c.failingParameter;
    expected[k] = CoordinateTrial(m.Param[k], k == Knuc ? +1 : -1, 0.1, m.Min[k], m.Max[k]);
    for (const TEvaluation evaluation : {TEvaluation::OneAtATime, TEvaluation::Batched}) {
      const TSearchTrace trace = TraceFit(m, 3, 1, evaluation);
      EXPECT_EQ(trace.failure, c.failure) << c.name;
      EXPECT_TRUE(trace.reports.empty()) << c.name;
      EXPECT_EQ(trace.param, Bits(expected)) << c.name;
    }
  }
}

}  // namespace
}  // namespace actinfit
