#include "core/datafile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "core/errors.h"

namespace actinfit {
namespace {

using Columns = std::vector<std::vector<double>>;
using Names = std::vector<std::string>;

struct ReadCase {
  const char* name;
  std::string text;
  Columns columns;
  Names names;
  std::vector<int32_t> lines;
  char separator;
  char mark;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadsFile : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadsFile, IntoColumns) {
  const ReadCase& c = GetParam();
  const TDataTable table = ParseDataText(c.text, "f.txt");
  EXPECT_EQ(table.Columns, c.columns);
  EXPECT_EQ(table.Names, c.names);
  EXPECT_EQ(table.Lines, c.lines);
  EXPECT_EQ(table.Separator, c.separator);
  EXPECT_EQ(table.DecimalMark, c.mark);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadsFile,
    ::testing::Values(
        ReadCase{"SemicolonsDecimalCommasHeader",
                 "Zeit [s];Fluoreszenz\n0;50\n0,5;50,015\n",
                 {{0, 0.5}, {50, 50.015}},
                 {"Zeit [s]", "Fluoreszenz"},
                 {2, 3},
                 ';',
                 ','},
        ReadCase{"PlainCsv",
                 "time,reading\n0.5,1.25\n1,2\n",
                 {{0.5, 1}, {1.25, 2}},
                 {"time", "reading"},
                 {2, 3},
                 ',',
                 '.'},
        ReadCase{"TabsThreeColumnsComment",
                 "# exported 2026\nt\tA\tB\n0\t1.5\t2\n1\t2.5\t3\n",
                 {{0, 1}, {1.5, 2.5}, {2, 3}},
                 {"t", "A", "B"},
                 {3, 4},
                 '\t',
                 '.'},
        ReadCase{"BlanksDecimalCommas",
                 "  0   1,5\n1 2,5  \n",
                 {{0, 1}, {1.5, 2.5}},
                 {"", ""},
                 {1, 2},
                 ' ',
                 ','},
        ReadCase{"BomAndCrLf",
                 "\xEF\xBB\xBFt;y\r\n1;2\r\n3;4\r\n",
                 {{1, 3}, {2, 4}},
                 {"t", "y"},
                 {2, 3},
                 ';',
                 '.'},
        ReadCase{"LoneCr", "1 2\r3 4\r", {{1, 3}, {2, 4}}, {"", ""}, {1, 2}, ' ', '.'},
        // Whole numbers decide nothing: the first decimal mark further down does.
        ReadCase{"MarkDecidedLate",
                 "0;50\n1;50\n2;50,5\n",
                 {{0, 1, 2}, {50, 50, 50.5}},
                 {"", ""},
                 {1, 2, 3},
                 ';',
                 ','},
        ReadCase{"QuotedFieldsDecimalComma",
                 "\"t\",\"y\"\n\"0\",\"1,5\"\n",
                 {{0}, {1.5}},
                 {"t", "y"},
                 {2},
                 ',',
                 ','},
        // A separator after the last column, an empty line, a row with a gap (skipped whole).
        ReadCase{"TrailingTabsGapsEmptyLines",
                 "0\t50\t\n\n1\t\t\n2\t52\t\n",
                 {{0, 2}, {50, 52}},
                 {"", ""},
                 {1, 4},
                 '\t',
                 '.'},
        ReadCase{"SignsBlanksExponents",
                 " +1 ; -2.5E-3 \n1e3;.5\n",
                 {{1, 1000}, {-0.0025, 0.5}},
                 {"", ""},
                 {1, 2},
                 ';',
                 '.'},
        // The numbers are rounded once, to the nearest 64-bit real, ties to even.
        ReadCase{"CorrectlyRounded",
                 "0.1,9007199254740993\n1.7976931348623157e308,2.2250738585072011e-308\n",
                 {{0.1, 1.7976931348623157e308}, {9007199254740992.0, 2.2250738585072011e-308}},
                 {"", ""},
                 {1, 2},
                 ',',
                 '.'},
        // Below the smallest subnormal a number is zero, never an error.
        ReadCase{"Underflow", "1e-400,4.9e-324\n", {{0}, {4.9e-324}}, {"", ""}, {1}, ',', '.'},
        ReadCase{"FooterAndNotesSkipped",
                 "t y\nunit s\n1 2\nNaN 3\nend of run\n4 5\n",
                 {{1, 4}, {2, 5}},
                 {"unit", "s"},
                 {3, 6},
                 ' ',
                 '.'}));

TEST(ReadsFile, UnderflowKeepsTheSign) {
  const TDataTable table = ParseDataText("1;-1e-400\n", "f.txt");
  EXPECT_TRUE(std::signbit(table.Columns[1][0]));
}

struct RefusalCase {
  const char* name;
  std::string text;
  const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusesFile : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusesFile, NamingFileAndLine) {
  try {
    ParseDataText(GetParam().text, "f.txt");
    FAIL() << "no error";
  } catch (const EInvalidInput& error) {
    EXPECT_STREQ(error.what(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusesFile,
    ::testing::Values(
        RefusalCase{"Empty", "", "'f.txt' holds no two columns of numbers"},
        RefusalCase{"OneColumn", "1\n2\n3\n", "'f.txt' holds no two columns of numbers"},
        RefusalCase{"WordsOnly", "a,b\nc,d\n", "'f.txt' holds no two columns of numbers"},
        RefusalCase{"InfinityAndNotANumber", "inf;1\nnan;2\n",
                    "'f.txt' holds no two columns of numbers"},
        RefusalCase{"BeyondRange", "0;1\n1;1e400\n",
                    "'f.txt', line 2: a number beyond the range of a 64-bit real"},
        RefusalCase{"BeyondRangeNegative", "t,y\n-1.8e308,1\n",
                    "'f.txt', line 2: a number beyond the range of a 64-bit real"},
        RefusalCase{"RaggedRow", "0 1\n1 2 3\n",
                    "'f.txt', line 2: 3 numbers where the rows above have 2"},
        RefusalCase{"Binary", std::string("0 1\n\x89PNG\0\x01", 10),
                    "'f.txt' is not a text file (line 2 holds binary data)"},
        RefusalCase{"Utf16",
                    std::string("\xFF\xFE"
                                "1\0;\0"
                                "2\0",
                                8),
                    "'f.txt' is not a text file (line 1 holds binary data)"}));

TEST(ReadDataFile, ReadsTheFileItNames) {
  const auto path = std::filesystem::temp_directory_path() / "actinfit_datafile_test.csv";
  std::ofstream(path, std::ios::binary) << "t;y\r\n0;1,5\r\n";
  const TDataTable table = ReadDataFile(path.string());
  std::filesystem::remove(path);
  EXPECT_EQ(table.Columns, (Columns{{0}, {1.5}}));
}

TEST(ReadDataFile, RefusesWhatCannotBeRead) {
  const std::string missing = "/nonexistent/actinfit/data.csv";
  const std::string folder = std::filesystem::temp_directory_path().string();
  for (const auto& [path, reason] :
       {std::pair{missing, "No such file or directory"}, std::pair{folder, "Is a directory"}}) {
    try {
      ReadDataFile(path);
      ADD_FAILURE() << path;
    } catch (const EInvalidInput& error) {
      EXPECT_EQ(error.what(), "Cannot read '" + path + "': " + reason);
    }
  }
}

}  // namespace
}  // namespace actinfit
