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

// Headers that name more than the G-actin: the amount next to "actin", or none.
INSTANTIATE_TEST_SUITE_P(
    SeveralAmounts, GActinHeader,
    ::testing::Values(
        THeaderCase{"1.5 uM actin + 1 uM profilin", 1.5},
        THeaderCase{"1 uM profilin + 2.5 uM actin", 2.5},
        THeaderCase{"A3 actin 4 uM, profilin 8 uM", 4}, THeaderCase{"pyrene-actin: 250 nM", 0.25},
        THeaderCase{"10 nM formin", std::nullopt}, THeaderCase{"2 mM MgCl2", std::nullopt},
        THeaderCase{"A1 3 uM + 2 uM", std::nullopt}, THeaderCase{"3 \xC2\xB5mol/L", 3},
        THeaderCase{"0,8 umol/l actin", 0.8}, THeaderCase{"-1.5 uM", std::nullopt},
        THeaderCase{"A1 -1.5 uM actin", std::nullopt}, THeaderCase{"A1-2 uM", 2},
        THeaderCase{"A4 8 uM", 8}, THeaderCase{"99999999999999999999999999999999 uM", std::nullopt},
        THeaderCase{"0.000000000000000000000000000001 nM", 1e-33},
        THeaderCase{"10 nM formin + 3 uM actin", 3}));

}  // namespace
}  // namespace actinfit
