// The series fit against numbers worked out here: synthetic series made by the model, a plain
// Gauss-Newton solve of one trace, the linear solve of the final curves, shifts many stairs
// away, the refusals and the evaluation errors naming their trace.
#include "core/series_fit.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <Eigen/Dense>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "core/errors.h"
#include "core/fit_report.h"
#include "core/fit_statistics.h"
#include "core/model.h"

namespace actinfit {
namespace {

constexpr double kTrueKnuc = 1e-8, kTrueKon = 8, kTrueKoff = 1;
constexpr double kDt = 0.1;

// The polymer curve of one trace, as the series fit simulates it.
std::vector<double> Polymer(const std::vector<double>& time, double gActin, double shift,
                            const std::array<double, 3>& rate) {
  TModel m(static_cast<int32_t>(time.size()));
  m.Time = time;
  m.Init = {gActin, 0, 0};
  m.Dt = kDt;
  m.Param = {0, shift, rate[0], rate[1], rate[2]};
  SimulatePolymer(m);
  return m.Fitted;
}

std::vector<double> Times(int32_t n, double last) {
  std::vector<double> time(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) time[static_cast<size_t>(i)] = last * i / (n - 1);
  return time;
}

// A trace made by the model: background 50 plus `scale` x F (or F / max F), with Gaussian noise
// of `noise` from a fixed seed.
TSeriesTrace MadeTrace(double gActin, double shift, double scale, bool perMax, double noise,
                       uint32_t seed) {
  TSeriesTrace trace{};
  trace.Time = Times(401, 1200);
  trace.GActin = gActin;
  trace.TShift = shift;
  const std::vector<double> f =
      Polymer(trace.Time, gActin, shift, {kTrueKnuc, kTrueKon, kTrueKoff});
  const double largest = *std::max_element(f.begin(), f.end());
  std::mt19937 generator(seed);
  std::normal_distribution<double> gauss(0, noise);
  for (const double x : f)
    trace.Data.push_back(50 + scale * (perMax ? x / largest : x) + gauss(generator));
  return trace;
}

TSeries SeriesOf(std::vector<TSeriesTrace> traces, TScaling scaling) {
  TSeries series{};
  series.Traces = std::move(traces);
  series.Rate = {1e-7, 3, 3};  // away from the truth
  series.RateMin = {1e-11, 0.1, 0.01};
  series.RateMax = {1e-5, 100, 20};
  series.FitRate = {true, true, true};
  series.Dt = kDt;
  series.Scaling = scaling;
  return series;
}

TSeries FourConcentrations(TScaling scaling) {
  std::vector<TSeriesTrace> traces;
  const double g[4] = {1.5, 3, 6, 12};
  for (uint32_t i = 0; i < 4; ++i) {
    // One brightness: 200 fluorescence units per uM of polymer.
    traces.push_back(MadeTrace(g[i], 0, scaling == TScaling::SharedBrightness ? 200 : 1000,
                               scaling == TScaling::AmplitudePerTrace, 5, 11 + i));
  }
  return SeriesOf(std::move(traces), scaling);
}

class FourTraces : public ::testing::TestWithParam<TScaling> {};

// Both ways of scaling recover the rates the series was made with, within a few standard
// errors, and the best point is reached from more than one start.
TEST_P(FourTraces, RecoverTheRatesWithinTheirStandardErrors) {
  const TSeries series = FourConcentrations(GetParam());
  const TSeriesFit fit = FitSeries(series);
  const std::array<double, 3> truth = {kTrueKnuc, kTrueKon, kTrueKoff};
  for (int r = 0; r < 3; ++r) {
    ASSERT_TRUE(std::isfinite(fit.RateStdError[r])) << r;
    EXPECT_LT(std::fabs(fit.Rate[r] - truth[r]), 4 * fit.RateStdError[r])
        << r << ": " << fit.Rate[r] << " +- " << fit.RateStdError[r];
  }
  // The noise is 5 units: the error is its variance.
  EXPECT_NEAR(fit.Error, 25, 3);
  EXPECT_EQ(fit.Points, 4 * 401);
  EXPECT_EQ(fit.Parameters, 3 + (GetParam() == TScaling::AmplitudePerTrace ? 8 : 5));
  EXPECT_GE(fit.StartsReachingBest, 2);
  EXPECT_EQ(fit.Starts, 9);
  EXPECT_EQ(std::isnan(fit.Brightness), GetParam() == TScaling::AmplitudePerTrace);
  ASSERT_EQ(fit.TraceError.size(), 4u);
  for (const double e : fit.TraceError) EXPECT_NEAR(e, 25, 6);
  // The profile intervals contain the truth, and the standard-error estimate lies inside.
  for (int r = 0; r < 3; ++r) {
    ASSERT_TRUE(fit.RateInterval[r].has_value()) << r;
    EXPECT_LE(fit.RateInterval[r]->Low, truth[r]) << r;
    EXPECT_GE(fit.RateInterval[r]->High, truth[r]) << r;
    EXPECT_LT(fit.RateInterval[r]->Low, fit.Rate[r]) << r;
    EXPECT_GT(fit.RateInterval[r]->High, fit.Rate[r]) << r;
  }
  ASSERT_TRUE(fit.KnucKon && fit.KoffKon);
  EXPECT_LE(fit.KnucKon->Low, kTrueKnuc * kTrueKon);
  EXPECT_GE(fit.KnucKon->High, kTrueKnuc * kTrueKon);
  EXPECT_LE(fit.KoffKon->Low, kTrueKoff / kTrueKon);
  EXPECT_GE(fit.KoffKon->High, kTrueKoff / kTrueKon);
}

// The profile interval of a rate holds exactly the values at which the best fit with that rate
// held stays below the threshold: checked by fitting, with all the series fit's starts, at
// values on both sides of each end. One trace of 12 uM leaves Kon and Koff so loose that their
// profiles run through more than one valley (Koff inside its bounds or on one).
TEST(SeriesFit, ProfileIntervalsAgreeWithFitsAtHeldValues) {
  TSeries one = FourConcentrations(TScaling::AmplitudePerTrace);
  one.Traces = {one.Traces[3]};
  const TSeriesFit fit = FitSeries(one);
  const double dof = fit.Points - fit.Parameters;
  const double threshold = fit.Error * (1 + FQuantileOne(0.95, dof) / dof);
  struct THeld {
    int rate;
    double value;
  };
  for (const THeld held : {THeld{1, 0.2}, THeld{1, 0.3}, THeld{1, 3}, THeld{1, 10}, THeld{1, 30},
                           THeld{2, 5}, THeld{2, 10}, THeld{2, 16}, THeld{2, 20}}) {
    const std::optional<TInterval>& interval = fit.RateInterval[held.rate];
    ASSERT_TRUE(interval.has_value());
    TSeries fixed = one;
    fixed.Rate[held.rate] = held.value;
    fixed.FitRate[held.rate] = false;
    const double error = FitSeries(fixed, false).Error;
    const bool inside = held.value >= interval->Low && held.value <= interval->High;
    EXPECT_EQ(inside, error <= threshold)
        << "rate " << held.rate << " held at " << held.value << ": error " << error
        << ", threshold " << threshold << ", interval " << interval->Low << " to "
        << interval->High;
  }
}

// With one brightness the plateaus' heights tie the traces together: the interval of Koff/Kon
// is several times narrower (on a log scale) than from any one of the traces alone.
TEST(SeriesFit, OneBrightnessNarrowsKoffOverKon) {
  const TSeriesFit all = FitSeries(FourConcentrations(TScaling::SharedBrightness));
  ASSERT_TRUE(all.KoffKon.has_value());
  const double widthAll = std::log(all.KoffKon->High / all.KoffKon->Low);
  const TSeries four = FourConcentrations(TScaling::AmplitudePerTrace);
  for (size_t i = 0; i < four.Traces.size(); ++i) {
    TSeries one = four;
    one.Traces = {four.Traces[i]};
    const TSeriesFit alone = FitSeries(one);
    ASSERT_TRUE(alone.KoffKon.has_value()) << i;
    EXPECT_GT(std::log(alone.KoffKon->High / alone.KoffKon->Low), 3 * widthAll) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(SeriesFit, FourTraces,
                         ::testing::Values(TScaling::AmplitudePerTrace,
                                           TScaling::SharedBrightness));

// The full least-squares SSR of one trace (background, amplitude, log Knuc, log Kon; Koff
// held), worked out here from the simulation alone.
Eigen::VectorXd DirectResiduals(const TSeriesTrace& trace, const Eigen::Vector4d& theta,
                                double koff) {
  const std::vector<double> f = Polymer(trace.Time, trace.GActin, trace.TShift,
                                        {std::exp(theta[2]), std::exp(theta[3]), koff});
  const double largest = *std::max_element(f.begin(), f.end());
  Eigen::VectorXd r(static_cast<Eigen::Index>(f.size()));
  for (size_t j = 0; j < f.size(); ++j)
    r[static_cast<Eigen::Index>(j)] = theta[0] + theta[1] * f[j] / largest - trace.Data[j];
  return r;
}

double DirectSSR(const TSeriesTrace& trace, const Eigen::Vector4d& theta, double koff) {
  return DirectResiduals(trace, theta, koff).squaredNorm();
}

// The residuals' Jacobian by central differences, one parameter at a time.
Eigen::MatrixXd DirectJacobian(const TSeriesTrace& trace, const Eigen::Vector4d& theta,
                               double koff) {
  const double h[4] = {1e-3, 1e-3, 1e-5, 1e-5};
  Eigen::MatrixXd jacobian(static_cast<Eigen::Index>(trace.Data.size()), 4);
  for (int k = 0; k < 4; ++k) {
    Eigen::Vector4d up = theta, down = theta;
    up[k] += h[k];
    down[k] -= h[k];
    jacobian.col(k) =
        (DirectResiduals(trace, up, koff) - DirectResiduals(trace, down, koff)) / (2 * h[k]);
  }
  return jacobian;
}

// One trace of 6 uM with Knuc and Kon refined, Koff held at the truth.
TSeries OneTraceKoffHeld() {
  TSeries series = SeriesOf({MadeTrace(6, 0, 1000, true, 5, 3)}, TScaling::AmplitudePerTrace);
  series.FitRate = {true, true, false};
  series.Rate[2] = kTrueKoff;
  return series;
}

// A fit of it as the full problem's parameters: background, amplitude, log Knuc, log Kon.
Eigen::Vector4d FullParameters(const TSeriesFit& fit) {
  return {fit.Background[0], fit.Amplitude[0], std::log(fit.Rate[0]), std::log(fit.Rate[1])};
}

// A series of one trace is the least-squares fit of that trace: Gauss-Newton steps of the full
// problem with a central-difference Jacobian, started at the series fit, find nothing lower.
TEST(SeriesFit, OneTraceEqualsADirectLeastSquaresSolve) {
  const TSeries series = OneTraceKoffHeld();
  const TSeriesFit fit = FitSeries(series, false);
  const TSeriesTrace& trace = series.Traces[0];
  Eigen::Vector4d theta = FullParameters(fit);
  const double atFit = DirectSSR(trace, theta, kTrueKoff);
  EXPECT_NEAR(atFit / 401, fit.Error, 1e-9 * fit.Error);
  double best = atFit;
  for (int iteration = 0; iteration < 4; ++iteration) {
    const Eigen::VectorXd r0 = DirectResiduals(trace, theta, kTrueKoff);
    const Eigen::MatrixXd jacobian = DirectJacobian(trace, theta, kTrueKoff);
    const Eigen::Vector4d step =
        (jacobian.transpose() * jacobian).ldlt().solve(-jacobian.transpose() * r0);
    theta += step;
    best = std::min(best, DirectSSR(trace, theta, kTrueKoff));
  }
  EXPECT_GE(best, atFit * (1 - 1e-7));
  // One trace fixes mainly the product: the solve may slide along the valley, not off it.
  const double product = fit.Rate[0] * fit.Rate[1];
  EXPECT_NEAR(std::exp(theta[2] + theta[3]), product, 1e-3 * product);
}

// The standard errors of the rates are those of the full least-squares problem, linear
// parameters included: s^2 (J^T J)^-1 with J the central-difference Jacobian of background,
// amplitude, log Knuc and log Kon, worked out here (variable projection changes the search, not
// the covariance of the rates).
TEST(SeriesFit, StandardErrorsAreThoseOfTheFullProblem) {
  const TSeries series = OneTraceKoffHeld();
  const TSeriesFit fit = FitSeries(series, false);
  const TSeriesTrace& trace = series.Traces[0];
  const Eigen::Vector4d theta = FullParameters(fit);
  const Eigen::MatrixXd jacobian = DirectJacobian(trace, theta, kTrueKoff);
  const double n = static_cast<double>(trace.Data.size());
  const double s2 = DirectSSR(trace, theta, kTrueKoff) / (n - 4);
  const Eigen::Matrix4d covariance = s2 * (jacobian.transpose() * jacobian).inverse();
  for (int r = 0; r < 2; ++r) {
    const double expected = fit.Rate[r] * std::sqrt(covariance(2 + r, 2 + r));
    EXPECT_NEAR(fit.RateStdError[r], expected, 0.01 * expected) << r;
  }
}

// The backgrounds and the brightness are the linear least-squares solution for the final
// curves: one indicator column per trace and the polymer column, solved here.
TEST(SeriesFit, LinearParametersEqualALinearSolveOfTheFinalCurves) {
  for (const TScaling scaling : {TScaling::SharedBrightness, TScaling::AmplitudePerTrace}) {
    TSeries series = FourConcentrations(scaling);
    series.Traces.resize(3);
    const TSeriesFit fit = FitSeries(series, false);
    const size_t m = series.Traces.size();
    const bool shared = scaling == TScaling::SharedBrightness;
    const auto columns = static_cast<Eigen::Index>(shared ? m + 1 : 2 * m);
    Eigen::MatrixXd design = Eigen::MatrixXd::Zero(3 * 401, columns);
    Eigen::VectorXd y(3 * 401);
    Eigen::Index row = 0;
    for (size_t i = 0; i < m; ++i) {
      const TSeriesTrace& trace = series.Traces[i];
      const std::vector<double> f = Polymer(trace.Time, trace.GActin, fit.TShift[i], fit.Rate);
      const double largest = *std::max_element(f.begin(), f.end());
      for (size_t j = 0; j < f.size(); ++j, ++row) {
        design(row, static_cast<Eigen::Index>(i)) = 1;
        const auto x = static_cast<Eigen::Index>(shared ? m : m + i);
        design(row, x) = shared ? f[j] : f[j] / largest;
        y[row] = trace.Data[j];
      }
    }
    const Eigen::VectorXd solution = design.colPivHouseholderQr().solve(y);
    for (size_t i = 0; i < m; ++i) {
      EXPECT_NEAR(fit.Background[i], solution[static_cast<Eigen::Index>(i)], 1e-7 * 50);
      if (!shared) {
        EXPECT_NEAR(fit.Amplitude[i], solution[static_cast<Eigen::Index>(m + i)], 1e-7 * 1000);
      }
    }
    if (shared) {
      EXPECT_NEAR(fit.Brightness, solution[static_cast<Eigen::Index>(m)], 1e-7 * 200);
    }
  }
}

// Shifts of 20, 55 and 130 s, searched from 100 s (hundreds of stairs away) in noise-free
// traces, are found to within a stair.
TEST(SeriesFit, TimeShiftsAreFoundManyStairsAway) {
  std::vector<TSeriesTrace> traces;
  const double shifts[3] = {20, 55, 130};
  const double g[3] = {3, 6, 12};
  for (uint32_t i = 0; i < 3; ++i) {
    traces.push_back(MadeTrace(g[i], shifts[i], 1000, true, 0, 40 + i));
    traces.back().TShift = 100;
    traces.back().FitTShift = true;
  }
  TSeries series = SeriesOf(std::move(traces), TScaling::AmplitudePerTrace);
  // Knuc and Koff held at the truth: with Knuc free, a trace's lag trades against its shift.
  series.Rate = {kTrueKnuc, 5, kTrueKoff};
  series.FitRate = {false, true, false};
  const TSeriesFit fit = FitSeries(series, false);
  for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(fit.TShift[i], shifts[i], 1.01 * kDt) << i;
  EXPECT_NEAR(fit.Rate[1], kTrueKon, 0.01 * kTrueKon);
  EXPECT_EQ(fit.Parameters, 1 + 3 + 6);
}

// Every rate and every shift free, from shifts of 100 s where the truth is 20 to 80 s: a
// later start trades against slower nucleation, and solving them in turn used to end far
// above the truth. The fit ends at or below the error of the truth (its linear parameters
// solved here), with the shifts within a few stairs of theirs.
TEST(SeriesFit, RatesAndShiftsFreeReachTheErrorOfTheTruth) {
  std::vector<TSeriesTrace> traces;
  const double shifts[4] = {20, 40, 60, 80};
  const double g[4] = {1.5, 3, 6, 12};
  double truthSSR = 0;
  for (uint32_t i = 0; i < 4; ++i) {
    traces.push_back(MadeTrace(g[i], shifts[i], 1000, true, 5, 60 + i));
    const TSeriesTrace& trace = traces.back();
    const std::vector<double> f =
        Polymer(trace.Time, g[i], shifts[i], {kTrueKnuc, kTrueKon, kTrueKoff});
    Eigen::MatrixXd design(static_cast<Eigen::Index>(f.size()), 2);
    Eigen::VectorXd y(static_cast<Eigen::Index>(f.size()));
    for (size_t j = 0; j < f.size(); ++j) {
      design(static_cast<Eigen::Index>(j), 0) = 1;
      design(static_cast<Eigen::Index>(j), 1) = f[j];
      y[static_cast<Eigen::Index>(j)] = trace.Data[j];
    }
    const Eigen::VectorXd beta = design.colPivHouseholderQr().solve(y);
    truthSSR += (design * beta - y).squaredNorm();
    traces.back().TShift = 100;
    traces.back().FitTShift = true;
  }
  const TSeriesFit fit = FitSeries(SeriesOf(std::move(traces), TScaling::AmplitudePerTrace), false);
  EXPECT_LE(fit.Error, truthSSR / (4 * 401) * (1 + 1e-6));
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(fit.TShift[i], shifts[i], 2.0) << i;
  // The series determines the product, though not each rate, with the shifts free.
  EXPECT_NEAR(fit.Rate[0] * fit.Rate[1], kTrueKnuc * kTrueKon, 0.05 * kTrueKnuc * kTrueKon);
}

// Two traces with their shifts refined: each end of a rate's interval, unless a bound, is
// checked with fits of the series (all its starts, shifts refined) with the rate held 2 %
// inside (below the threshold) and 1.15 times out (above it). Profiles that held the shifts on
// the best point's stairs ended too soon.
TEST(SeriesFit, HeldFitsBeyondTheEndsWithShiftsRefinedLieOutside) {
  std::vector<TSeriesTrace> traces;
  const double g[2] = {1.5, 6};
  for (uint32_t i = 0; i < 2; ++i) {
    traces.push_back(MadeTrace(g[i], 30, 1000, true, 5, 70 + i));
    traces.back().Time.resize(201);  // the first 600 s
    traces.back().Data.resize(201);
    traces.back().TShift = 20;
    traces.back().FitTShift = true;
  }
  const TSeries series = SeriesOf(std::move(traces), TScaling::AmplitudePerTrace);
  const TSeriesFit fit = FitSeries(series);
  const double dof = fit.Points - fit.Parameters;
  const double threshold = fit.Error * fit.Points * (1 + FQuantileOne(0.95, dof) / dof);
  const auto heldSSR = [&](int r, double value) {
    TSeries held = series;
    held.Rate[r] = std::clamp(value, series.RateMin[r], series.RateMax[r]);
    held.FitRate[r] = false;
    const TSeriesFit refit = FitSeries(held, false);
    return refit.Error * refit.Points;
  };
  int checked = 0;
  for (const int r : {1, 2}) {
    ASSERT_TRUE(fit.RateInterval[r].has_value()) << r;
    const TInterval interval = *fit.RateInterval[r];
    for (const bool high : {false, true}) {
      if (high ? interval.HighAtBound : interval.LowAtBound) continue;
      const double end = high ? interval.High : interval.Low;
      EXPECT_LT(heldSSR(r, high ? end * 0.98 : end / 0.98), threshold) << r << " " << end;
      EXPECT_GT(heldSSR(r, high ? end * 1.15 : end / 1.15), threshold) << r << " " << end;
      ++checked;
    }
  }
  EXPECT_GE(checked, 2);
}

TEST(SeriesFit, ASecondRunIsBitIdentical) {
  const TSeries series = FourConcentrations(TScaling::SharedBrightness);
  const TSeriesFit a = FitSeries(series), b = FitSeries(series);
  EXPECT_EQ(std::memcmp(&a.Error, &b.Error, sizeof a.Error), 0);
  EXPECT_EQ(std::memcmp(a.Rate.data(), b.Rate.data(), sizeof a.Rate), 0);
  EXPECT_EQ(std::memcmp(a.RateStdError.data(), b.RateStdError.data(), sizeof a.RateStdError), 0);
  EXPECT_EQ(std::memcmp(a.Background.data(), b.Background.data(), 4 * sizeof(double)), 0);
  EXPECT_EQ(std::memcmp(&a.Brightness, &b.Brightness, sizeof a.Brightness), 0);
}

// A plate read as one series: 200 short traces, every time shift refined. Its peak memory, in a
// child process, stays within what grows with the traces (the dense Jacobian of every shift
// took 40 MB here, and grew with the square of the traces); two threads give the fit of one to
// the last bit.
TSeries PlateOf(int32_t traces) {
  std::vector<TSeriesTrace> made;
  const double g[4] = {1.5, 3, 6, 12};
  for (int32_t i = 0; i < traces; ++i) {
    TSeriesTrace trace =
        MadeTrace(g[i % 4], 10 + i % 7 * 5, 1000, true, 5, static_cast<uint32_t>(100 + i));
    // Every tenth point of the first 400 s.
    TSeriesTrace short_{};
    for (size_t j = 0; j <= 130; j += 10) {
      short_.Time.push_back(trace.Time[j]);
      short_.Data.push_back(trace.Data[j]);
    }
    short_.GActin = trace.GActin;
    short_.TShift = 30;
    short_.FitTShift = true;
    short_.TShiftMin = 0;
    short_.TShiftMax = 60;
    made.push_back(std::move(short_));
  }
  TSeries series = SeriesOf(std::move(made), TScaling::AmplitudePerTrace);
  series.Dt = 1;
  return series;
}

// The peak resident memory a series fit adds, measured in a child process, in kB.
long PeakMemoryOfFitKb(const TSeries& series) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
      std::fclose(statm);
    }
    FitSeries(series, false);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const long added = after.ru_maxrss - resident * (sysconf(_SC_PAGESIZE) / 1024);
    if (write(pipeEnds[1], &added, sizeof added) != sizeof added) _exit(1);
    _exit(0);
  }
  close(pipeEnds[1]);
  long added = -1;
  if (read(pipeEnds[0], &added, sizeof added) != sizeof added) added = -1;
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return added;
}

TEST(SeriesFit, APlateOfTracesFitsInMemoryInProportionAndOnTwoThreadsAlike) {
  TSeries series = PlateOf(200);
  const TSeriesFit one = FitSeries(series, false);
  series.Threads = 2;
  const TSeriesFit two = FitSeries(series, false);
  EXPECT_EQ(std::memcmp(&one.Error, &two.Error, sizeof one.Error), 0);
  EXPECT_EQ(std::memcmp(one.Rate.data(), two.Rate.data(), sizeof one.Rate), 0);
  EXPECT_EQ(std::memcmp(one.TShift.data(), two.TShift.data(), 200 * sizeof(double)), 0);
  EXPECT_EQ(std::memcmp(one.RateStdError.data(), two.RateStdError.data(), sizeof one.RateStdError),
            0);
#if !defined(__SANITIZE_ADDRESS__)
  const long added = PeakMemoryOfFitKb(series);
  ASSERT_GT(added, -1);
  EXPECT_LT(added, 8 * 1024) << "kB";
#endif
}

struct TRefusal {
  const char* name;
  std::function<void(TSeries&)> spoil;
  const char* message;
};

TEST(SeriesFit, RefusesBadInputNamingTheTraceOrTheRate) {
  const TRefusal cases[] = {
      {"no trace", [](TSeries& s) { s.Traces.clear(); }, "The series has no trace"},
      {"no marked rate",
       [](TSeries& s) {
         s.FitRate = {false, false, false};
       },
       "No rate is marked for fitting"},
      {"crossed bounds", [](TSeries& s) { s.RateMin[1] = 50, s.RateMax[1] = 5; },
       "The bounds of Kon are crossed: its minimum is above its maximum"},
      {"zero G-actin", [](TSeries& s) { s.Traces[1].GActin = 0; },
       "Trace 2 (0 uM): the G-actin concentration must be a number above zero"},
      {"missing G-actin", [](TSeries& s) { s.Traces[1].GActin = std::nan(""); },
       "Trace 2: the G-actin concentration must be a number above zero"},
      {"negative G-actin", [](TSeries& s) { s.Traces[0].GActin = -3; },
       "Trace 1 (-3 uM): the G-actin concentration must be a number above zero"},
      {"too few points",
       [](TSeries& s) {
         s.Traces[1].Time.resize(5);
         s.Traces[1].Data.resize(5);
       },
       "Trace 2 (3 uM): too few points (5; its 5 refined parameters need 6)"},
      {"counts differ", [](TSeries& s) { s.Traces[0].Data.pop_back(); },
       "Trace 1 (1.5 uM): 401 times but 400 readings"},
      // Counted from the lowest shift a refined trace may start from.
      {"time step too small",
       [](TSeries& s) {
         s.Dt = 1.3e-6;
         s.Traces[3].FitTShift = true;
         s.Traces[3].TShiftMin = -200;
       },
       "Trace 4 (12 uM): Time step 1.3E-6: one evaluation would take 1076923077 steps from "
       "TShift -200 to the last time 1200, more than the 1000000000 allowed"},
  };
  for (const TRefusal& c : cases) {
    TSeries series = FourConcentrations(TScaling::AmplitudePerTrace);
    c.spoil(series);
    try {
      FitSeries(series);
      ADD_FAILURE() << c.name << ": not refused";
    } catch (const EInvalidInput& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.name;
    }
  }
}

// A trace whose shift lies beyond its times forms no polymer: its curve cannot be scaled, and
// the error names it.
TEST(SeriesFit, AnEvaluationErrorNamesTheTrace) {
  TSeries series = FourConcentrations(TScaling::AmplitudePerTrace);
  series.Traces[2].TShift = 5000;
  try {
    FitSeries(series);
    ADD_FAILURE() << "no error";
  } catch (const EMathError& e) {
    EXPECT_EQ(std::string(e.what()), "Trace 3 (6 uM): Invalid floating point operation");
  }
}

// Bounds a user sets for unknown rates reach trial points where the Euler steps diverge: they
// are passed over and counted, and the fit still reaches the error of the truth (its linear
// parameters solved here directly).
TEST(SeriesFit, WideBoundsPassOverDivergingTrials) {
  TSeries series = FourConcentrations(TScaling::AmplitudePerTrace);
  series.RateMin = {1e-12, 0.1, 0.001};
  series.RateMax = {1e-5, 100, 100};
  double truthSSR = 0;
  for (const TSeriesTrace& trace : series.Traces) {
    const std::vector<double> f =
        Polymer(trace.Time, trace.GActin, 0, {kTrueKnuc, kTrueKon, kTrueKoff});
    Eigen::MatrixXd design(static_cast<Eigen::Index>(f.size()), 2);
    Eigen::VectorXd y(static_cast<Eigen::Index>(f.size()));
    for (size_t j = 0; j < f.size(); ++j) {
      design.row(static_cast<Eigen::Index>(j)) << 1, f[j];
      y[static_cast<Eigen::Index>(j)] = trace.Data[j];
    }
    truthSSR += (design * design.colPivHouseholderQr().solve(y) - y).squaredNorm();
  }
  const TSeriesFit fit = FitSeries(series, false);
  EXPECT_GT(fit.Failures.Failed(), 0);
  EXPECT_GT(fit.Failures.Trials, fit.Failures.Failed());
  EXPECT_LE(fit.Error, truthSSR / fit.Points * (1 + 1e-6));
  EXPECT_NE(fit.Failures.First.find("Trace "), std::string::npos) << fit.Failures.First;
}

// A trace that falls and one of noise alone still get their fit, and the report names them;
// the rising traces are not named. The time step's refit comes with the result.
TEST(SeriesFit, FlatAndFallingTracesAreNamed) {
  TSeries series = FourConcentrations(TScaling::AmplitudePerTrace);
  std::vector<double>& falling = series.Traces[1].Data;
  for (double& reading : falling) reading = 1100 - reading;
  std::mt19937 generator(3);
  std::normal_distribution<double> gauss(0, 5);
  for (double& reading : series.Traces[3].Data) reading = 50 + gauss(generator);
  const TSeriesFit fit = FitSeries(series, false);
  ASSERT_EQ(fit.Amplitude.size(), 4u);
  const std::vector<std::string> notes = DataSentences(series, fit);
  ASSERT_GE(notes.size(), 2u);
  EXPECT_EQ(notes[0].rfind("Trace 2 (3 uM) falls: ", 0), 0u) << notes[0];
  EXPECT_EQ(notes[1].rfind("Trace 4 (12 uM) does not rise: ", 0), 0u) << notes[1];
  for (const std::string& note : notes) {
    EXPECT_EQ(note.find("Trace 1 "), std::string::npos) << note;
    EXPECT_EQ(note.find("Trace 3 "), std::string::npos) << note;
  }
  ASSERT_TRUE(fit.DtCheck.has_value());
  EXPECT_EQ(fit.DtCheck->Error, fit.Error);
  EXPECT_FALSE(fit.DtCheck->Moves.empty());  // the rates that ended inside their bounds
}

// The progress overload stops when asked, with the best point so far.
TEST(SeriesFit, StopsWhenTheReportSaysSo) {
  int32_t reports = 0;
  std::string failure;
  const TSeriesFit fit = FitSeries(
      FourConcentrations(TScaling::AmplitudePerTrace),
      [&](const TSeriesProgress& progress) {
        EXPECT_EQ(progress.Starts, 9);
        return ++reports < 2;
      },
      failure);
  EXPECT_TRUE(fit.Stopped);
  EXPECT_TRUE(failure.empty());
  EXPECT_EQ(reports, 2);
  EXPECT_TRUE(std::isfinite(fit.Error));
}

// Inside the profiles the reports go on between a held solve's evaluations; a stop asked for
// there ends the profiles at their next solve, and nothing is reported after it. Every report
// carries the best point so far for a chart that follows the fit.
TEST(SeriesFit, StopsInsideTheProfiles) {
  bool asked = false;
  int32_t reportsAfterStop = 0;
  std::string failure;
  const TSeriesFit fit = FitSeries(
      FourConcentrations(TScaling::SharedBrightness),
      [&](const TSeriesProgress& progress) {
        EXPECT_EQ(progress.Best.TShift.size(), 4u);
        EXPECT_EQ(progress.Best.Background.size(), 4u);
        EXPECT_TRUE(std::isfinite(progress.Best.Brightness));
        EXPECT_DOUBLE_EQ(progress.Best.Error, progress.BestError);
        if (asked) ++reportsAfterStop;
        asked = asked || progress.StartsDone == progress.Starts;
        return !asked;
      },
      failure);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(fit.Stopped);
  EXPECT_TRUE(failure.empty());
  EXPECT_EQ(reportsAfterStop, 0);
}

}  // namespace
}  // namespace actinfit
