#include "core/files/plate_map.h"

#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"

namespace actinfit::files {
namespace {

TEST(PlateMap, ReadsWellsGActinAndLabels) {
  const auto map = ParsePlateMap(
      "well;G-actin (\xB5M);label\r\n# row A: actin alone\r\nA01;1,5;actin alone\r\n"
      "A2;3\r\n\r\nP24;0.25;\"with 1 uM profilin, 2 nM formin\"\r\n",
      "map.csv");
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(map.at("A1").gActinUm, 1.5);
  EXPECT_EQ(map.at("A1").label, "actin alone");
  EXPECT_EQ(map.at("A2").gActinUm, 3);
  EXPECT_EQ(map.at("A2").label, "");
  EXPECT_EQ(map.at("P24").gActinUm, 0.25);
  EXPECT_EQ(map.at("P24").label, "with 1 uM profilin, 2 nM formin");
}

TEST(PlateMap, RefusesABadLineNamingIt) {
  const struct {
    std::string text, message;
  } cases[] = {
      {"A1,1\nQ1,2\n", "'map.csv', line 2: 'Q1' is no well (A1 to P24)"},
      {"A1,1\nA25,2\n", "'map.csv', line 2: 'A25' is no well (A1 to P24)"},
      {"A1,-1\n",
       "'map.csv', line 1: the G-actin of A1 must be a positive number of \u00b5M, not '-1'"},
      {"A1,0\n",
       "'map.csv', line 1: the G-actin of A1 must be a positive number of \u00b5M, not '0'"},
      {"A1,\n",
       "'map.csv', line 1: the G-actin of A1 must be a positive number of \u00b5M, not ''"},
      {"A1,1e999\n",
       "'map.csv', line 1: the G-actin of A1 must be a positive number of \u00b5M, not '1e999'"},
      {"A1,1\nA01,2\n", "'map.csv', line 2: A1 is named twice"},
      {"well,uM\n", "'map.csv' names no well and its G-actin"},
      {"A1,1,x,y\n", "'map.csv', line 1: more than three cells (well, G-actin in \u00b5M, label)"},
  };
  for (const auto& c : cases) {
    try {
      ParsePlateMap(c.text, "map.csv");
      ADD_FAILURE() << "read: " << c.text;
    } catch (const EInvalidInput& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace actinfit::files
