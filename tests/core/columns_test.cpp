#include "core/columns.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "separator_guard.h"

namespace actinfit {
namespace {

using Pane = std::vector<std::string>;
using testing::SeparatorGuard;

struct LineCase {
  const char* line;
  const char* cleaned;  // nullptr: the line is deleted
};

class CleanColumnLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(CleanColumnLine, IsRewrittenOrDeleted) {
  SeparatorGuard dot('.');
  Pane pane{GetParam().line};
  const int32_t kept = CleanColumn(pane, '.');
  if (GetParam().cleaned) {
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(pane, Pane{GetParam().cleaned});
  } else {
    EXPECT_EQ(kept, 0);
    EXPECT_TRUE(pane.empty()) << pane[0];
  }
}

INSTANTIATE_TEST_SUITE_P(DotSeparator, CleanColumnLine,
                         ::testing::Values(LineCase{"1,5", "1.5"}, LineCase{"1.234,5", nullptr},
                                           LineCase{"1,234.5", nullptr}, LineCase{" 12 ", "12"},
                                           LineCase{"\t3\t", "3"}, LineCase{"1 234,5", "1234.5"},
                                           LineCase{"abc", nullptr}, LineCase{"-", nullptr},
                                           LineCase{"12abc", nullptr}, LineCase{"", nullptr},
                                           LineCase{" \t \t", nullptr}, LineCase{"1e3", "1e3"},
                                           LineCase{".", "."}, LineCase{"1.5e", "1.5e"},
                                           LineCase{"Time [s]", nullptr}, LineCase{"12\t", "12"}));

TEST(CleanColumn, WithACommaSeparatorRewritesDotsAndKeepsCommas) {
  SeparatorGuard comma(',');
  Pane pane{"1.5", "1,5", "1.234,5"};
  EXPECT_EQ(CleanColumn(pane, ','), 2);
  EXPECT_EQ(pane, (Pane{"1,5", "1,5"}));
}

TEST(CleanColumn, UnderAnotherSeparatorOnlyLinesWithoutADecimalMarkSurvive) {
  SeparatorGuard other(';');
  // The probe answers ',' for any separator but '.', and ',' is then not the parser's.
  Pane pane{"1.5", "1,5", "42", "1e3"};
  EXPECT_EQ(CleanColumn(pane, ','), 2);
  EXPECT_EQ(pane, (Pane{"42", "1e3"}));
}

TEST(CleanColumn, AnOverflowStopsAtItsLineAndKeepsThePaneWhole) {
  SeparatorGuard dot('.');
  // Lines before the failing one are cleaned; it and the rest are as they were, whether or not
  // a line was deleted before it.
  const struct {
    Pane before, after;
  } cases[] = {
      {{"x", "1\t", "y", "1E400", "z", "2\t"}, {"1", "1E400", "z", "2\t"}},
      {{"1\t", "2", "1E400", "z", "3 "}, {"1", "2", "1E400", "z", "3 "}},
      {{"1E400", "z", "3 "}, {"1E400", "z", "3 "}},
  };
  for (const auto& c : cases) {
    Pane pane = c.before;
    EXPECT_THROW(CleanColumn(pane, '.'), EOverflow);
    EXPECT_EQ(pane, c.after);
  }
}

TEST(CleanColumn, AMillionLinesInOnePass) {
  SeparatorGuard dot('.');
  Pane pane;
  for (int i = 0; i < 1000000; ++i) pane.push_back(i % 10 == 0 ? "junk" : std::to_string(i) + "\t");
  EXPECT_EQ(CleanColumn(pane, '.'), 900000);
  EXPECT_EQ(pane.front(), "1");
  EXPECT_EQ(pane.back(), "999999");
}

TEST(LoadData, PairsLinesByPositionAndTakesTheShorterColumn) {
  SeparatorGuard dot('.');
  Pane time{"Time [s]", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  Pane data{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100", "110\t"};
  auto model = std::make_unique<TModel>(1);
  EXPECT_EQ(LoadData(time, data, '.', model), 10);
  EXPECT_EQ(model->Count, 10);
  EXPECT_EQ(time.front(), "0");  // the header went, the times moved up
  EXPECT_EQ(data.size(), 12u);   // the two extra readings stay, cleaned
  EXPECT_EQ(data.back(), "110");
  EXPECT_EQ(model->Time[3], 3);
  EXPECT_EQ(model->Data[3], 30);
  EXPECT_EQ(model->Dt, 0.01);  // a new record: nothing else filled yet
}

TEST(LoadData, HoldsTimesThatGoBackwardsButLeavesThePaneAlone) {
  SeparatorGuard dot('.');
  Pane time{"0", "5", "3", "4", "7"};
  Pane data{"1", "2", "3", "4", "5"};
  auto model = std::make_unique<TModel>(1);
  ASSERT_EQ(LoadData(time, data, '.', model), 5);
  EXPECT_EQ(model->Time, (std::vector<double>{0, 5, 5, 5, 7}));
  EXPECT_EQ(time[2], "3");
}

TEST(LoadData, ReadsEveryNumberFormTheCleaningKeeps) {
  SeparatorGuard dot('.');
  Pane time{"1e3", "2.5E-3", ".", "1.5e", "1,5"};
  Pane data{"1", "2", "3", "4", "5"};
  auto model = std::make_unique<TModel>(1);
  ASSERT_EQ(LoadData(time, data, '.', model), 5);
  // Times are held where they go backwards: 1000 stays the latest.
  EXPECT_EQ(model->Time, (std::vector<double>{1000, 1000, 1000, 1000, 1000}));
  Pane t2{"2.5E-3", ".", "1.5e", "1,5"};
  Pane d2{"1", "2", "3", "4"};
  ASSERT_EQ(LoadData(t2, d2, '.', model), 4);
  EXPECT_EQ(model->Time, (std::vector<double>{0.0025, 0.0025, 1.5, 1.5}));
}

TEST(LoadData, EmptyPanesGiveARecordWithoutPoints) {
  Pane time, data;
  auto model = std::make_unique<TModel>(1);
  EXPECT_EQ(LoadData(time, data, '.', model), 0);
  ASSERT_TRUE(model);
  EXPECT_EQ(model->Count, 0);
}

TEST(LoadData, AnOverflowLeavesTheRecordInPlace) {
  SeparatorGuard dot('.');
  Pane time{"0", "1"};
  Pane data{"1", "1E400"};
  auto model = std::make_unique<TModel>(1);
  TModel* before = model.get();
  EXPECT_THROW(LoadData(time, data, '.', model), EOverflow);
  EXPECT_EQ(model.get(), before);
}

}  // namespace
}  // namespace actinfit
