// The G-actin a column header names, in the spellings plate readers and people write.
#include "core/files/gactin_header.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace actinfit {
namespace {

struct THeaderCase {
  std::string header;
  std::optional<double> uM;
};

class GActinHeader : public ::testing::TestWithParam<THeaderCase> {};

TEST_P(GActinHeader, ReadsTheConcentration) {
  const std::optional<double> found = GActinFromHeader(GetParam().header);
  ASSERT_EQ(found.has_value(), GetParam().uM.has_value()) << GetParam().header;
  if (found) {
    EXPECT_DOUBLE_EQ(*found, *GetParam().uM) << GetParam().header;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, GActinHeader,
    ::testing::Values(THeaderCase{"A1 1.5 uM", 1.5}, THeaderCase{"3\xC2\xB5M", 3},
                      THeaderCase{"3 \xC2\xB5M", 3}, THeaderCase{"0.5uM", 0.5},
                      THeaderCase{"B2 4 \xCE\xBCM actin", 4}, THeaderCase{"12 UM", 12},
                      THeaderCase{"0,75 uM", 0.75}, THeaderCase{"500 nM", 0.5},
                      THeaderCase{"2 mM", 2000}, THeaderCase{"A1", std::nullopt},
                      THeaderCase{"", std::nullopt}, THeaderCase{"3 umol", std::nullopt},
                      THeaderCase{"well 7", std::nullopt}, THeaderCase{"uM", std::nullopt}));

}  // namespace
}  // namespace actinfit
