#include "core/errors.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <string>

#include "core/fpu.h"

namespace actinfit {
namespace {

TEST(Errors, EachTypeCarriesTheMessageTheUserSees) {
  EXPECT_STREQ(EInvalidOp().what(), "Invalid floating point operation");
  EXPECT_STREQ(EZeroDivide().what(), "Floating point division by zero");
  EXPECT_STREQ(EOverflow().what(), "Floating point overflow");
  EXPECT_STREQ(EDivByZero().what(), "Division by zero");
  EXPECT_EQ(EInvalidOp("sqrt: DOMAIN error").notice(), "sqrt: DOMAIN error");
  EXPECT_EQ(EOverflow().notice(), "");
}

TEST(Fpu, CheckedRaisesTheErrorOfTheFlagItsWorkRaised) {
  volatile double zero = 0, big = 1e308, one = 1;
  EXPECT_THROW(Checked([&] { return zero / zero; }), EInvalidOp);
  EXPECT_THROW(Checked([&] { return one / zero; }), EZeroDivide);
  EXPECT_THROW(Checked([&] { return big * 10; }), EOverflow);
  // Overflow that then becomes invalid reports the overflow, which came first.
  EXPECT_THROW(Checked([&] { return big * 10 - big * 10; }), EOverflow);
  EXPECT_EQ(Checked([&] { return one / 3; }), 1.0 / 3);
  // Underflow and inexact results are silent.
  EXPECT_NO_THROW(Checked([&] { return 1e-308 / (big * 1); }));
  EXPECT_FALSE(FpuErrorRaised());
}

}  // namespace
}  // namespace actinfit
