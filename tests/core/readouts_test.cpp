// The readouts against curves whose answers are known: logistic rises and falls with noise
// (t1/2 = t0, largest slope A / 4 tau, lag t0 - 2 tau), barbed ends worked out by hand, the
// exponents of a series the model makes, and traces that must give no readouts.
#include "core/readouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/model.h"
#include "core/readout_scaling.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

struct LogisticCase {
  const char* name;
  double baseline, amplitude, t0, tau;
  int32_t points;
  double end, noise;
};

struct Trace {
  std::vector<double> t, y;
};

Trace Logistic(const LogisticCase& c, uint32_t seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, c.noise);
  Trace trace;
  for (int32_t i = 0; i < c.points; ++i) {
    const double t = c.end * i / (c.points - 1);
    trace.t.push_back(t);
    trace.y.push_back(c.baseline + c.amplitude / (1 + std::exp(-(t - c.t0) / c.tau)) +
                      noise(random));
  }
  return trace;
}

class LogisticReadouts : public ::testing::TestWithParam<LogisticCase> {};

TEST_P(LogisticReadouts, MatchTheClosedFormsWithinTheNoise) {
  const LogisticCase& c = GetParam();
  for (uint32_t seed = 1; seed <= 5; ++seed) {
    SCOPED_TRACE(seed);
    const Trace trace = Logistic(c, seed);
    const TReadouts r = TraceReadouts(trace.t, trace.y);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_EQ(r.Message, "");
    // The ends: within a hundredth of the rise (the logistic's own tails) and the noise.
    const double endTolerance = 0.01 * std::fabs(c.amplitude) + c.noise;
    EXPECT_NEAR(r.Baseline, c.baseline, endTolerance);
    EXPECT_NEAR(r.Plateau, c.baseline + c.amplitude, endTolerance);
    EXPECT_NEAR(r.Noise, c.noise, 0.25 * c.noise);
    // t1/2 within four of its own standard errors and what the ends' tolerance moves it by.
    const double slope = c.amplitude / (4 * c.tau);
    EXPECT_NEAR(r.THalf, c.t0, 4 * r.THalfSE + endTolerance / 2 / std::fabs(slope));
    EXPECT_LT(r.THalfSE, 0.05 * c.tau);
    // Largest slope A / 4 tau. A line over a window of half-width h lies below the logistic's
    // top slope by h^2 / 20 tau^2 (its cubic term); the window holds five points at least.
    const double spacing = c.end / (c.points - 1);
    const double h = std::max(r.WindowWidth, 4 * spacing) / 2;
    const double curvature = h * h / (20 * c.tau * c.tau) + 0.005;
    EXPECT_NEAR(r.MaxSlope, slope, 4 * r.MaxSlopeSE + curvature * std::fabs(slope));
    EXPECT_LT(r.MaxSlopeSE, 0.15 * std::fabs(slope));
    EXPECT_NEAR(r.SlopeAtHalf, slope, 4 * r.SlopeAtHalfSE + curvature * std::fabs(slope));
    // The tangent at t0 meets the baseline 2 tau earlier; a slope off by a share e moves it by
    // about 2 tau e, and the slope's place within the flat top moves it too.
    const double slopeShare = 4 * r.MaxSlopeSE / std::fabs(slope) + curvature;
    EXPECT_NEAR(r.LagTime, c.t0 - 2 * c.tau, 2 * c.tau * slopeShare + 0.05 * c.tau);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, LogisticReadouts,
                         ::testing::Values(
                             // name, baseline, amplitude, t0, tau, points, end, noise
                             LogisticCase{"Rise", 50, 1000, 500, 60, 601, 1200, 5},
                             LogisticCase{"NoisyRise", 200, 300, 900, 120, 1801, 3600, 4},
                             LogisticCase{"SparseFastRise", 10, 80, 150, 20, 121, 600, 0.4},
                             LogisticCase{"Fall", 1200, -900, 300, 40, 901, 1800, 4},
                             LogisticCase{"LateRiseNegativeReadings", -500, 400, 2500, 200, 401,
                                          4000, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BarbedEnds, FromTheSlopeAtTheHalfTime) {
  // A logistic of A over tau: rate at t1/2 = (G - Cc) / 4 tau uM/s; G(t1/2) - Cc = (G - Cc) / 2,
  // so ends = 1000 x 2 / (4 tau k+) nM, whatever G and the amplitude.
  const LogisticCase c{"", 100, 500, 400, 50, 1601, 1600, 0.5};
  const Trace trace = Logistic(c, 7);
  const TReadouts r = TraceReadouts(trace.t, trace.y);
  ASSERT_TRUE(r.Ok);
  struct Row {
    double g, cc, kplus;
  };
  for (const Row row : {Row{4, 0.1, 11.6}, Row{1.5, 0.1, 11.6}, Row{10, 0.6, 3}}) {
    const TActinReadouts a = ActinReadouts(r, row.g, {row.cc, row.kplus});
    ASSERT_TRUE(a.Ok) << a.Message;
    EXPECT_NEAR(a.ElongationRate, (row.g - row.cc) / (4 * c.tau), 2e-3 * a.ElongationRate);
    EXPECT_NEAR(a.BarbedEnds, 500 / (c.tau * row.kplus), 2e-3 * a.BarbedEnds);
  }
  EXPECT_DOUBLE_EQ(PolymerAt(0.5, 4, 0.1), 1.95);
  // No ends below the critical concentration, nor without a G-actin.
  for (const double g : {0.1, 0.05, std::numeric_limits<double>::quiet_NaN()}) {
    const TActinReadouts a = ActinReadouts(r, g, {});
    EXPECT_FALSE(a.Ok);
    EXPECT_TRUE(std::isnan(a.BarbedEnds));
    EXPECT_NE(a.Message.find("critical concentration"), std::string::npos);
  }
}

TEST(NoReadouts, FlatNoisyShortOrEmptyTraces) {
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0, 2);
  std::vector<double> t, flat, drift;
  for (int32_t i = 0; i < 500; ++i) {
    t.push_back(i * 2.0);
    flat.push_back(300 + noise(random));
    drift.push_back(300 + 0.004 * i + noise(random));  // 2 over the trace: one noise level
  }
  for (const auto& y : {flat, drift}) {
    const TReadouts r = TraceReadouts(t, y);
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Message.find("does not rise or fall beyond 5 times its noise"), std::string::npos)
        << r.Message;
    EXPECT_TRUE(std::isnan(r.THalf));
  }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> few = {0, 1, 2, 3, 4}, fewY = {1, 1, 5, 9, 9};
  const std::vector<double> holes = {nan, nan, nan, nan, nan, nan, nan, nan, nan, nan};
  EXPECT_NE(TraceReadouts(few, fewY).Message.find("Too few points"), std::string::npos);
  EXPECT_NE(TraceReadouts(holes, holes).Message.find("Too few points"), std::string::npos);
  EXPECT_FALSE(TraceReadouts({}, {}).Ok);
  // Constant readings: no noise and no rise.
  EXPECT_FALSE(TraceReadouts(t, std::vector<double>(t.size(), 7.0)).Ok);
}

TEST(Readouts, CautionWhenThePlateauIsNotReached) {
  const LogisticCase c{"", 0, 100, 950, 50, 501, 1000, 0.2};
  const Trace trace = Logistic(c, 1);
  const TReadouts r = TraceReadouts(trace.t, trace.y);
  ASSERT_TRUE(r.Ok);
  EXPECT_NE(r.Message.find("has not reached its plateau"), std::string::npos);
}

TEST(PowerLaw, ExponentStandardErrorAndInterval) {
  // An exact law: no scatter, no error.
  const std::vector<double> g = {1, 2, 4, 8};
  std::vector<double> y;
  for (const double x : g) y.push_back(3 * std::pow(x, -1.5));
  const auto exact = FitPowerLaw(g, y);
  ASSERT_TRUE(exact);
  EXPECT_NEAR(exact->Exponent, -1.5, 1e-12);
  EXPECT_NEAR(exact->Prefactor, 3, 1e-12);
  EXPECT_NEAR(exact->StdError, 0, 1e-12);
  // log x = 0, 1, 2 and log y = 0, 2, 2: slope 1, residuals -1/3, 2/3, -1/3, so SE =
  // sqrt((2/3) / 1 / 2) = 0.57735 and t(0.975, 1) = 12.7062 gives 1 -+ 7.3359.
  const std::vector<double> x3 = {1, std::exp(1.0), std::exp(2.0)};
  const std::vector<double> y3 = {1, std::exp(2.0), std::exp(2.0)};
  const auto law = FitPowerLaw(x3, y3);
  ASSERT_TRUE(law);
  EXPECT_NEAR(law->Exponent, 1, 1e-12);
  EXPECT_NEAR(law->StdError, 0.577350, 1e-6);
  EXPECT_NEAR(law->Lower, 1 - 7.33593, 1e-4);
  EXPECT_NEAR(law->Upper, 1 + 7.33593, 1e-4);
  // Non-positive values are left out; one distinct x gives no line.
  EXPECT_FALSE(FitPowerLaw(std::vector<double>{2, 2, -1}, std::vector<double>{1, 2, 3}));
}

// The polymer of the model at G uM, with times and step scaled as G^-3/2 so that only the
// nuclei's own monomers break the law t1/2 ~ G^-3/2 (a nucleus of three, no dissociation).
Trace ModelTrace(double g) {
  TModel m(801);
  testing::SetWindowDefaults(m);
  const double scale = std::pow(6 / g, 1.5);
  for (int32_t i = 0; i < m.Count; ++i) m.Time[i] = 2.0 * i * scale;
  m.Param = {0, 0, 1e-8, 8, 0};
  m.Init = {g, 0, 0};
  m.Dt = 0.1 * scale;
  SimulatePolymer(m);
  return {m.Time, m.Fitted};
}

TEST(ReadoutScaling, ExponentsOfASeriesTheModelMakes) {
  const std::vector<double> g = {2, 3, 4, 6, 8};
  std::vector<TReadouts> readouts;
  for (const double c : g) {
    const Trace trace = ModelTrace(c);
    readouts.push_back(TraceReadouts(trace.t, trace.y));
    ASSERT_TRUE(readouts.back().Ok) << c << ": " << readouts.back().Message;
  }
  const auto scaling = ReadoutScaling(g, readouts);
  ASSERT_TRUE(scaling);
  EXPECT_EQ(scaling->Traces, 5);
  EXPECT_NEAR(scaling->THalf.Exponent, -1.5, 0.03);
  EXPECT_NEAR(scaling->MaxSlope.Exponent, 2.5, 0.03);
  EXPECT_LT(scaling->THalf.Lower, scaling->THalf.Exponent);
  EXPECT_GT(scaling->THalf.Upper, scaling->THalf.Exponent);
  const std::string sentence = ScalingSentence(*scaling);
  EXPECT_NE(sentence.find("over 5 traces from 2 to 8 µM"), std::string::npos) << sentence;
  EXPECT_NE(sentence.find("nucleus of about 3"), std::string::npos) << sentence;
  // Two concentrations are not a series; a trace without readouts does not count.
  EXPECT_FALSE(ReadoutScaling(std::vector<double>{2, 2, 4}, readouts));
  readouts[0].Ok = false;
  readouts[1].Ok = false;
  readouts[2].Ok = false;
  EXPECT_FALSE(ReadoutScaling(g, readouts));
}

}  // namespace
}  // namespace actinfit
