#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/numtext.h"
#include "separator_guard.h"

namespace actinfit {
namespace {

using testing::SeparatorGuard;

struct RealCase {
  const char* text;
  double value;
};

class ParseRealAccepts : public ::testing::TestWithParam<RealCase> {};

TEST_P(ParseRealAccepts, GivesTheValue) {
  SeparatorGuard dot('.');
  EXPECT_EQ(ParseReal(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseRealAccepts,
    ::testing::Values(RealCase{" 1.5 ", 1.5}, RealCase{"+2", 2}, RealCase{"-.5", -0.5},
                      RealCase{"5.", 5}, RealCase{".", 0}, RealCase{"1E", 1}, RealCase{"1e+", 1},
                      RealCase{"1e+3", 1000}, RealCase{"2.5E-3", 0.0025}, RealCase{"007", 7},
                      RealCase{"0.1", 0.1}, RealCase{"1E-8", 1e-8},
                      RealCase{"123456789012345678901234567890", 1.2345678901234568e29},
                      RealCase{"0.000000000000000000000000000001", 1e-30}, RealCase{"1E308", 1e308},
                      RealCase{"1.7976931348623157E308", 1.7976931348623157e308},
                      RealCase{"4.9406564584124654E-324", 4.9406564584124654e-324},
                      RealCase{"1E-400", 0}));

TEST(ParseReal, CorrectlyRoundedAgainstIndependentValues) {
  SeparatorGuard dot('.');
  // Halfway and near-halfway texts: the nearest 64-bit real, as a hand check of the bits.
  EXPECT_EQ(ParseReal("9007199254740993"), 9007199254740992.0);  // 2^53 + 1 ties to even
  EXPECT_EQ(ParseReal("9007199254740995"), 9007199254740996.0);
  EXPECT_EQ(ParseReal("0.30000000000000004"), 0.1 + 0.2);
  EXPECT_TRUE(std::signbit(ParseReal("-0")));
}

struct RejectCase {
  const char* text;
};

class ParseRealRejects : public ::testing::TestWithParam<RejectCase> {};

TEST_P(ParseRealRejects, WithTheConversionError) {
  SeparatorGuard dot('.');
  const std::string text = GetParam().text;
  try {
    ParseReal(text);
    FAIL() << '"' << text << "\" was accepted";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid floating point value");
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseRealRejects,
                         ::testing::Values(RejectCase{""}, RejectCase{"   "}, RejectCase{"\t1"},
                                           RejectCase{"-"}, RejectCase{"E5"}, RejectCase{"1,5"},
                                           RejectCase{"1.5.3"}, RejectCase{"1 000"},
                                           RejectCase{"0x10"}, RejectCase{"INF"}, RejectCase{"NAN"},
                                           RejectCase{"1E5000"}, RejectCase{"1E4999"},
                                           RejectCase{"abc"}, RejectCase{"1.5\t"},
                                           RejectCase{"+-1"}, RejectCase{"1E4933"},
                                           RejectCase{"\xC3\xA9"}));

TEST(ParseReal, BeyondTheRealRangeButWithinTheExtendedOneOverflows) {
  SeparatorGuard dot('.');
  for (const char* text : {"1E400", "-1E400", "1E4931", "1.1E4932", "2E308"}) {
    EXPECT_THROW(ParseReal(text), EOverflow) << text;
  }
  // 1.2E4932 lies beyond the 80-bit range itself: no number at all.
  EXPECT_THROW(ParseReal("1.2E4932"), EConvertError);
}

TEST(ParseReal, FollowsTheDecimalSeparator) {
  SeparatorGuard comma(',');
  EXPECT_EQ(ParseReal("1,5"), 1.5);
  EXPECT_THROW(ParseReal("1.5"), EConvertError);
  EXPECT_EQ(DetectDecimalSeparator(), ',');
  SetDecimalSeparator('.');
  EXPECT_EQ(DetectDecimalSeparator(), '.');
  SetDecimalSeparator(';');  // any other symbol is answered with ','
  EXPECT_EQ(DetectDecimalSeparator(), ',');
}

struct IntegerCase {
  const char* text;
  int32_t value;
};

class ParseIntegerAccepts : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ParseIntegerAccepts, GivesTheValue) {
  EXPECT_EQ(ParseInteger(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseIntegerAccepts,
                         ::testing::Values(IntegerCase{" 42", 42}, IntegerCase{"+7", 7},
                                           IntegerCase{"007", 7}, IntegerCase{"$1F", 31},
                                           IntegerCase{"0x1f", 31}, IntegerCase{"x1F", 31},
                                           IntegerCase{"0X1F", 31}, IntegerCase{"$FFFFFFFF", -1},
                                           IntegerCase{"$80000000", INT32_MIN},
                                           IntegerCase{"2147483647", INT32_MAX},
                                           IntegerCase{"-2147483648", INT32_MIN},
                                           IntegerCase{"0", 0}, IntegerCase{"-0", 0}));

class ParseIntegerRejects : public ::testing::TestWithParam<RejectCase> {};

TEST_P(ParseIntegerRejects, WithTheConversionError) {
  const std::string text = GetParam().text;
  try {
    ParseInteger(text);
    FAIL() << '"' << text << "\" was accepted";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseIntegerRejects,
                         ::testing::Values(RejectCase{""}, RejectCase{"-$10"},
                                           RejectCase{"2147483648"}, RejectCase{"-2147483649"},
                                           RejectCase{"42 "}, RejectCase{"12 "}, RejectCase{"4.0"},
                                           RejectCase{"1e3"}, RejectCase{"$"},
                                           RejectCase{"$100000000"}, RejectCase{"   "},
                                           RejectCase{"99999999999999999999"}, RejectCase{"-"}));

}  // namespace
}  // namespace actinfit
