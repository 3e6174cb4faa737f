#include "core/files/datafile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"

namespace actinfit {
namespace {

using Columns = std::vector<std::vector<double>>;
using Names = std::vector<std::string>;

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// Equal values, or both missing (not-a-number).
::testing::AssertionResult SameColumns(const Columns& got, const Columns& expected) {
  const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  bool equal = got.size() == expected.size();
  for (size_t k = 0; equal && k < got.size(); ++k) {
    equal = std::equal(got[k].begin(), got[k].end(), expected[k].begin(), expected[k].end(), same);
  }
  if (equal) return ::testing::AssertionSuccess();
  std::ostringstream text;
  for (const auto& column : got) {
    text << "{";
    for (const double v : column) text << v << " ";
    text << "} ";
  }
  return ::testing::AssertionFailure() << "columns read: " << text.str();
}

// UTF-16 bytes of `text`, with the byte-order mark unless `mark` is false.
std::string Utf16(std::u16string_view text, bool littleEndian, bool mark = true) {
  std::string bytes;
  if (mark) bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes += littleEndian ? low : high;
    bytes += littleEndian ? high : low;
  }
  return bytes;
}

struct ReadCase {
  const char* name;
  std::string text;
  Columns columns;
  Names names;
  std::vector<int32_t> lines;
  char separator;
  char mark;
  std::string timeNote = {};
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadsFile : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadsFile, IntoColumns) {
  const ReadCase& c = GetParam();
  const TDataTable table = ParseDataText(c.text, "f.txt");
  EXPECT_TRUE(SameColumns(table.Columns, c.columns));
  EXPECT_EQ(table.Names, c.names);
  EXPECT_EQ(table.Lines, c.lines);
  EXPECT_EQ(table.Separator, c.separator);
  EXPECT_EQ(table.DecimalMark, c.mark);
  EXPECT_EQ(table.TimeNote, c.timeNote);
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
        // A separator after the last column, an empty line, a row whose reading is missing.
        ReadCase{"TrailingTabsGapsEmptyLines",
                 "0\t50\t\n\n1\t\t\n2\t52\t\n",
                 {{0, 1, 2}, {50, kMissing, 52}},
                 {"", ""},
                 {1, 3, 4},
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

// Plate-reader exports: clock times, units in the time header, missing readings, UTF-16.
INSTANTIATE_TEST_SUITE_P(
    PlateReaders, ReadsFile,
    ::testing::Values(
        ReadCase{"HoursMinutesSeconds",
                 "Time;A1\n0:00:00;50\n0:01:30;51\n1:00:05;52\n12:59:59;53\n",
                 {{0, 90, 3605, 46799}, {50, 51, 52, 53}},
                 {"Time", "A1"},
                 {2, 3, 4, 5},
                 ';',
                 '.',
                 "clock times (h:mm:ss, mm:ss) read as seconds"},
        ReadCase{"MinutesSecondsWithDecimals",
                 "0:00\t1\n0:30\t2\n90:00\t3\n1:02.5\t4\n",
                 {{0, 30, 5400, 62.5}, {1, 2, 3, 4}},
                 {"", ""},
                 {1, 2, 3, 4},
                 '\t',
                 '.',
                 "clock times (h:mm:ss, mm:ss) read as seconds"},
        ReadCase{"SecondsWithDecimalCommas",
                 "0:00,5;1,5\n0:01,25;2\n",
                 {{0.5, 1.25}, {1.5, 2}},
                 {"", ""},
                 {1, 2},
                 ';',
                 ',',
                 "clock times (h:mm:ss, mm:ss) read as seconds"},
        ReadCase{"MinutesHeader",
                 "Time [min],A1\n0,50\n0.5,51\n2,52\n",
                 {{0, 30, 120}, {50, 51, 52}},
                 {"Time [min]", "A1"},
                 {2, 3, 4},
                 ',',
                 '.',
                 "times in minutes ('Time [min]') converted to seconds"},
        ReadCase{"HoursHeaderInParentheses",
                 "t (h)\ty\n0\t1\n0.25\t2\n",
                 {{0, 900}, {1, 2}},
                 {"t (h)", "y"},
                 {2, 3},
                 '\t',
                 '.',
                 "times in hours ('t (h)') converted to seconds"},
        ReadCase{"MinutesAfterSlash",
                 "Time/min;F\n1;2\n",
                 {{60}, {2}},
                 {"Time/min", "F"},
                 {2},
                 ';',
                 '.',
                 "times in minutes ('Time/min') converted to seconds"},
        ReadCase{"SecondsNamed", "Time [s];F\n1;2\n", {{1}, {2}}, {"Time [s]", "F"}, {2}, ';', '.'},
        // Parentheses name other things too; only a known unit counts there.
        ReadCase{"NoteInParentheses",
                 "Read (kinetic);F\n1;2\n",
                 {{1}, {2}},
                 {"Read (kinetic)", "F"},
                 {2},
                 ';',
                 '.'},
        ReadCase{"MissingInFirstColumn",
                 "t;A1;A2;A3\n0;;2;3\n1;11;12;13\n",
                 {{0, 1}, {kMissing, 11}, {2, 12}, {3, 13}},
                 {"t", "A1", "A2", "A3"},
                 {2, 3},
                 ';',
                 '.'},
        ReadCase{"MissingInMiddleColumn",
                 "t\tA1\tA2\tA3\n0\t1\t*\t3\n1\t11\tNaN\t13\n2\t21\t22\t23\n",
                 {{0, 1, 2}, {1, 11, 21}, {kMissing, kMissing, 22}, {3, 13, 23}},
                 {"t", "A1", "A2", "A3"},
                 {2, 3, 4},
                 '\t',
                 '.'},
        ReadCase{"MissingInLastColumn",
                 "t,A1,A2\n0,1,2\n1,11,\n2,21,-\n3,31,n.a.\n",
                 {{0, 1, 2, 3}, {1, 11, 21, 31}, {2, kMissing, kMissing, kMissing}},
                 {"t", "A1", "A2"},
                 {2, 3, 4, 5},
                 ',',
                 '.'},
        ReadCase{"OverflowMarksBetweenBlanks",
                 "t A1 A2\n0 OVRFLW 2\n1 1.5 ovrflw\n",
                 {{0, 1}, {kMissing, 1.5}, {2, kMissing}},
                 {"t", "A1", "A2"},
                 {2, 3},
                 ' ',
                 '.'},
        // A later row with more cells gives the rows above a missing reading there.
        ReadCase{"WiderRowBelowTrailingSeparators",
                 "0;1;\n1;2;3\n",
                 {{0, 1}, {1, 2}, {kMissing, 3}},
                 {"", "", ""},
                 {1, 2},
                 ';',
                 '.'},
        ReadCase{"Utf16LittleEndian",
                 Utf16(u"Zeit [min];Intensit\u00e4t \U0001F600\r\n0;1,5\r\n1;2,5\r\n", true),
                 {{0, 60}, {1.5, 2.5}},
                 {"Zeit [min]", "Intensit\u00e4t \U0001F600"},
                 {2, 3},
                 ';',
                 ',',
                 "times in minutes ('Zeit [min]') converted to seconds"},
        ReadCase{"Utf16BigEndian",
                 Utf16(u"t\tA1\n0:10\t5\n0:20\tOVRFLW\n", false),
                 {{10, 20}, {5, kMissing}},
                 {"t", "A1"},
                 {2, 3},
                 '\t',
                 '.',
                 "clock times (h:mm:ss, mm:ss) read as seconds"}));

TEST(ColumnPoints, LeaveOutTheMissingReadingsOfTheirColumnOnly) {
  const TDataTable table = ParseDataText("t;A1;A2\n0;1;\n1;OVRFLW;12\n2;21;22\n", "f.csv");
  const TColumnPoints first = ColumnPoints(table, 1);
  EXPECT_EQ(first.time, (std::vector<double>{0, 2}));
  EXPECT_EQ(first.readings, (std::vector<double>{1, 21}));
  EXPECT_EQ(first.lines, (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(first.missingLines, (std::vector<int32_t>{3}));
  const TColumnPoints second = ColumnPoints(table, 2);
  EXPECT_EQ(second.time, (std::vector<double>{1, 2}));
  EXPECT_EQ(second.missingLines, (std::vector<int32_t>{2}));
}

TEST(ColumnPoints, RefuseAColumnWithoutReadings) {
  const TDataTable table = ParseDataText("t;A1;A2\n0;1;*\n1;2;\n", "f.csv");
  try {
    ColumnPoints(table, 2);
    FAIL() << "no error";
  } catch (const EInvalidInput& error) {
    EXPECT_STREQ(error.what(),
                 "'f.csv': column 3 ('A2') holds no readings: every cell is empty or marks a "
                 "missing reading");
  }
}

TEST(ReadsFile, SkippedLinesAreThoseBetweenRows) {
  const TDataTable table = ParseDataText("t y\n1 2\nNaN 3\n4 5\nend of run\n", "f.txt");
  EXPECT_EQ(table.SkippedLines, (std::vector<int32_t>{3}));
}

TEST(ReadsFile, UnderflowKeepsTheSign) {
  const TDataTable table = ParseDataText("1;-1e-400\n", "f.txt");
  EXPECT_TRUE(std::signbit(table.Columns[1][0]));
}

struct RefusalCase {
  const char* name;
  std::string text;
  std::string message;
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
    EXPECT_EQ(error.what(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusesFile,
    ::testing::Values(
        RefusalCase{"Empty", "",
                    "'f.txt' holds no two columns of numbers: it holds no text but comments"},
        RefusalCase{"CommentsOnly", "# run 1\n\n",
                    "'f.txt' holds no two columns of numbers: it holds no text but comments"},
        RefusalCase{"OneColumn", "t\n1\n2\n3\n",
                    "'f.txt' holds no two columns of numbers: line 2 reads '1'"},
        RefusalCase{"WordsOnly", "a,b\nc,d\n",
                    "'f.txt' holds no two columns of numbers: line 1 reads 'a,b'"},
        RefusalCase{"FirstLineWithADigit", "Plate\n\nRead 2\nCycle Nr.;Time [s];Temp\n",
                    "'f.txt' holds no two columns of numbers: line 3 reads 'Read 2'"},
        RefusalCase{"WellsAsRows", "Time [s];0;30;60\nA1;50;51;52\nA2;60;61;62\n",
                    "'f.txt' holds no two columns of numbers: the first column holds no times "
                    "(line 2: 'A1')"},
        RefusalCase{"InfinityAndNotANumber", "inf;1\nnan;2\n",
                    "'f.txt' holds no two columns of numbers: the first column holds no times "
                    "(line 2: 'nan')"},
        RefusalCase{"OneLabelledLine", "x\nCycle Nr.;1;2;3\n",
                    "'f.txt' holds no two columns of numbers: line 2 reads 'Cycle Nr.;1;2;3'"},
        RefusalCase{"LongLineCut", std::string(70, 'x') + "1\n",
                    "'f.txt' holds no two columns of numbers: line 1 reads '" +
                        std::string(60, 'x') + "...'"},
        RefusalCase{"MinutesBeyond59", "t;y\n0:00:00;1\n1:75:00;2\n",
                    "'f.txt', line 3: '1:75:00' is not a time: minutes and seconds run from 00 "
                    "to 59"},
        RefusalCase{"SecondsBeyond59", "0:60;1\n",
                    "'f.txt', line 1: '0:60' is not a time: minutes and seconds run from 00 to 59"},
        RefusalCase{"NoMinutes", "t;y\n:30;1\n",
                    "'f.txt', line 2: ':30' is not a time (h:mm:ss, mm:ss or m:ss.s)"},
        RefusalCase{"OneDigitSeconds", "1:5;1\n",
                    "'f.txt', line 1: '1:5' is not a time (h:mm:ss, mm:ss or m:ss.s)"},
        RefusalCase{"NegativeClockTime", "0:00;1\n-0:30;2\n",
                    "'f.txt', line 2: '-0:30' is a negative time"},
        RefusalCase{"UnknownTimeUnit", "# plate\nTime [fortnights];A1\n0;1\n",
                    "'f.txt', line 2: the time column's unit 'fortnights' (in 'Time [fortnights]') "
                    "is none of s, min and h"},
        RefusalCase{"HoursBeyondRange", "t [h];y\n1e305;1\n",
                    "'f.txt', line 2: a time beyond the range of a 64-bit real"},
        RefusalCase{"NarrowerRow", "0;1;2\n1;2\n",
                    "'f.txt', line 2: 2 numbers where the rows above have 3"},
        RefusalCase{"BeyondRange", "0;1\n1;1e400\n",
                    "'f.txt', line 2: a number beyond the range of a 64-bit real"},
        RefusalCase{"BeyondRangeNegative", "t,y\n-1.8e308,1\n",
                    "'f.txt', line 2: a number beyond the range of a 64-bit real"},
        RefusalCase{"RaggedRow", "0 1\n1 2 3\n",
                    "'f.txt', line 2: 3 numbers where the rows above have 2"},
        RefusalCase{"Binary", std::string("0 1\n\x89PNG\0\x01", 10),
                    "'f.txt' is not a text file (line 2 holds binary data)"},
        RefusalCase{"Utf16WithoutMark", Utf16(u"t;y\n1;2\n", true, false),
                    "'f.txt' looks like UTF-16 text without its byte-order mark: save it as "
                    "UTF-8, or as UTF-16 with the mark"},
        RefusalCase{"Utf16BigEndianWithoutMark", Utf16(u"1;2\n", false, false),
                    "'f.txt' looks like UTF-16 text without its byte-order mark: save it as "
                    "UTF-8, or as UTF-16 with the mark"},
        RefusalCase{"Utf16WithNul", Utf16(std::u16string(u"1;2\n3;\0\n", 8), true),
                    "'f.txt' is not a text file (line 2 holds binary data)"}));

TEST(ReadDataFile, ReadsTheFileItNames) {
  const auto path = std::filesystem::temp_directory_path() / "actinfit_datafile_test.csv";
  std::ofstream(path, std::ios::binary) << "t;y\r\n0;1,5\r\n";
  const TDataTable table = ReadDataFile(path.string());
  std::filesystem::remove(path);
  EXPECT_EQ(table.Columns, (Columns{{0}, {1.5}}));
  EXPECT_EQ(table.FileName, path.string());
}

// An endless stream is judged by its first block; a file above the limit by its size.
TEST(ReadDataFile, RefusesEndlessAndHugeFiles) {
  const auto huge = std::filesystem::temp_directory_path() / "actinfit_datafile_huge.csv";
  std::ofstream(huge) << "t;y\n0;1\n";
  std::filesystem::resize_file(huge, kMaxDataFileBytes + 1);  // sparse: no disk used
  for (const auto& [path, message] :
       {std::pair<std::string, std::string>{"/dev/zero",
                                            "'/dev/zero' is not a text file (line 1 holds "
                                            "binary data)"},
        std::pair<std::string, std::string>{huge.string(),
                                            "'" + huge.string() +
                                                "' is larger than 1 GiB, more than a data file "
                                                "holds"}}) {
    try {
      ReadDataFile(path);
      ADD_FAILURE() << path;
    } catch (const EInvalidInput& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
  std::filesystem::remove(huge);
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
