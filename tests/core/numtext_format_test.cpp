#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/numtext.h"
#include "separator_guard.h"

namespace actinfit {
namespace {

using testing::SeparatorGuard;

struct FormatCase {
  double value;
  FloatStyle style;
  int32_t precision;
  int32_t digits;
  const char* text;
};

class FormatRealWrites : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatRealWrites, TheExpectedText) {
  SeparatorGuard dot('.');
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatReal(c.value, c.style, c.precision, c.digits), c.text) << c.value;
}

constexpr FloatStyle E = FloatStyle::Exponent;
constexpr FloatStyle F = FloatStyle::Fixed;
constexpr FloatStyle G = FloatStyle::General;

INSTANTIATE_TEST_SUITE_P(
    Exponent, FormatRealWrites,
    ::testing::Values(FormatCase{1e-8, E, 3, 2, "1.00E-08"}, FormatCase{1e-8, E, 3, 3, "1.00E-008"},
                      FormatCase{8, E, 5, 2, "8.0000E+00"}, FormatCase{100, E, 5, 2, "1.0000E+02"},
                      FormatCase{0, E, 5, 2, "0.0000E+00"},
                      FormatCase{-123456, E, 5, 2, "-1.2346E+05"},
                      FormatCase{1e100, E, 3, 2, "1.00E+100"},
                      FormatCase{1e-8, E, 3, 5, "1.00E-8"},  // beyond 3 sets no minimum
                      FormatCase{1e-8, E, 3, 4, "1.00E-8"}, FormatCase{1e-80, E, 3, 4, "1.00E-80"},
                      FormatCase{9.9999e-9, E, 3, 2, "1.00E-08"}));

INSTANTIATE_TEST_SUITE_P(
    Fixed, FormatRealWrites,
    ::testing::Values(
        FormatCase{100, F, 5, 3, "100.000"}, FormatCase{6, F, 5, 3, "6.000"},
        FormatCase{123.4567, F, 5, 3, "123.460"}, FormatCase{12345.6, F, 5, 3, "12346.000"},
        FormatCase{123456, F, 5, 3, "1.2346E5"}, FormatCase{99999.7, F, 5, 3, "1E5"},
        FormatCase{-2.5, F, 5, 3, "-2.500"}, FormatCase{-1e-8, F, 5, 3, "0.000"},
        FormatCase{0.0007, F, 5, 3, "0.001"}, FormatCase{1234.56789, F, 10, 3, "1234.568"},
        FormatCase{1e10, F, 10, 3, "1E10"}, FormatCase{12.3456789, F, 5, 5, "12.34600"},
        FormatCase{1307.858, F, 5, 5, "1307.90000"}, FormatCase{0.125, F, 5, 2, "0.13"},
        FormatCase{2.675, F, 5, 2, "2.67"}, FormatCase{10, F, 5, 5, "10.00000"},
        FormatCase{0, F, 5, 3, "0.000"}, FormatCase{0.5, F, 5, 0, "1"},
        FormatCase{0.4, F, 5, 0, "0"}, FormatCase{0.00004, F, 5, 3, "0.000"}));

INSTANTIATE_TEST_SUITE_P(
    General, FormatRealWrites,
    ::testing::Values(FormatCase{0, G, 15, 0, "0"}, FormatCase{0.1, G, 15, 0, "0.1"},
                      FormatCase{0.12, G, 15, 0, "0.12"},
                      FormatCase{1.0 / 3, G, 15, 0, "0.333333333333333"},
                      FormatCase{0.0001, G, 15, 0, "0.0001"}, FormatCase{1e-5, G, 15, 0, "1E-5"},
                      FormatCase{9.765625e-5, G, 15, 0, "9.765625E-5"},
                      FormatCase{-0.05, G, 15, 0, "-0.05"},
                      FormatCase{123456789012345, G, 15, 0, "123456789012345"},
                      FormatCase{1e15, G, 15, 0, "1E15"}, FormatCase{1.5e20, G, 15, 0, "1.5E20"},
                      FormatCase{-0.0, G, 15, 0, "0"}, FormatCase{1e-11, G, 15, 0, "1E-11"},
                      FormatCase{1.11111111111e-7, G, 15, 0, "1.11111111111E-7"},
                      FormatCase{0.1 + 0.2, G, 15, 0, "0.3"},
                      FormatCase{0.1 + 0.2, G, 18, 0, "0.300000000000000044"},
                      FormatCase{0.1 + 0.2, G, 40, 0, "0.300000000000000044"},
                      FormatCase{123.456, G, 1, 0, "1.2E2"}));

TEST(FormatReal, InfinityAndNotANumberInEveryStyle) {
  const double inf = std::numeric_limits<double>::infinity();
  for (FloatStyle style : {E, F, G}) {
    EXPECT_EQ(FormatReal(inf, style, 5, 3), "INF");
    EXPECT_EQ(FormatReal(-inf, style, 5, 3), "-INF");
    EXPECT_EQ(FormatReal(std::nan(""), style, 5, 3), "NAN");
  }
}

TEST(FormatReal, WritesTheProcessSeparator) {
  SeparatorGuard comma(',');
  EXPECT_EQ(FormatReal(100, F, 5, 3), "100,000");
  EXPECT_EQ(FormatReal(1e-8, E, 3, 2), "1,00E-08");
  EXPECT_EQ(FormatReal(0.25, G, 15, 0), "0,25");
}

TEST(FormatReal, EveryFiniteTextParsesBackWithinOneUnitInTheLastPlace) {
  // What the fields show is read back by the next Apply: the text must mean the same number as
  // its digits say. Walk values across the whole range, both separators.
  for (char sep : {'.', ','}) {
    SeparatorGuard guard(sep);
    double v = 4.9406564584124654e-324;
    while (std::isfinite(v)) {
      for (double x : {v, -v * 1.37}) {
        if (!std::isfinite(x)) continue;
        const std::string text = FormatReal(x, G, 18, 0);
        const double back = ParseReal(text);
        EXPECT_LE(std::fabs(back - x), std::fabs(std::nextafter(x, 0.0) - x)) << text;
      }
      v *= 3.1;
    }
  }
}

TEST(FormatInteger, DecimalDigitsAndSign) {
  EXPECT_EQ(FormatInteger(0), "0");
  EXPECT_EQ(FormatInteger(1201), "1201");
  EXPECT_EQ(FormatInteger(-42), "-42");
  EXPECT_EQ(FormatInteger(INT32_MIN), "-2147483648");
}

}  // namespace
}  // namespace actinfit
