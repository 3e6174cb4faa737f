#include "core/files/tables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"

namespace actinfit::files {
namespace {

std::string Slurp(const std::string& name) {
  std::ifstream in(std::string(ACTINFIT_EXPORTS_DIR) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Number(double v) {
  std::ostringstream text;
  text.precision(10);
  text << v;
  return text.str();
}

// "A1 4 0..360 1000..1300": a trace's name, points, first and last time and reading.
std::string Describe(const TWellTrace& trace) {
  return trace.name + " " + std::to_string(trace.readings.size()) + " " +
         Number(trace.times.front()) + ".." + Number(trace.times.back()) + " " +
         Number(trace.readings.front()) + ".." + Number(trace.readings.back());
}

// A table in one line: its name, its wells, its first and last trace, what was left out.
std::string Describe(const TKineticTable& table) {
  std::string text = table.name + " |";
  for (const TWellTrace& trace : table.traces) text += " " + trace.name;
  text += " | " + Describe(table.traces.front()) + " | " + Describe(table.traces.back()) + " |";
  for (const TLeftOut& out : table.leftOut) text += " " + out.name + "=" + out.why + ";";
  return text;
}

std::string AllNotes(const TFileTables& file) {
  std::string text;
  for (const std::string& note : file.notes) text += note + "\n";
  for (const TKineticTable& table : file.tables) {
    for (const std::string& note : table.notes) text += note + "\n";
    for (const TWellTrace& trace : table.traces) {
      for (const std::string& note : trace.notes) text += trace.name + ": " + note + "\n";
    }
  }
  return text;
}

// "A1 A2 ... H12": the wells of a plate, row by row.
std::string Wells(int rows, int columns) {
  std::string text;
  for (int r = 0; r < rows; ++r) {
    for (int c = 1; c <= columns; ++c) {
      if (!text.empty()) text += ' ';
      text += static_cast<char>('A' + r);
      text += std::to_string(c);
    }
  }
  return text;
}

struct LayoutCase {
  const char* file;
  std::vector<std::string> tables;
  std::vector<std::string> notes;  // each a part of some note
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
  *os << c.file;
}

class ReadsLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ReadsLayout, IntoTablesOfWells) {
  const LayoutCase& c = GetParam();
  const TFileTables found = ParseTables(Slurp(c.file), c.file);
  std::vector<std::string> tables;
  for (const TKineticTable& table : found.tables) tables.push_back(Describe(table));
  EXPECT_EQ(tables, c.tables);
  const std::string notes = AllNotes(found);
  for (const std::string& part : c.notes) {
    EXPECT_NE(notes.find(part), std::string::npos) << "no note holds '" << part << "' in\n"
                                                   << notes;
  }
}

// The expected numbers are read off the fixtures by hand: clock times in seconds, the readings
// of the first and last well, and the padding rows after the last read.
INSTANTIATE_TEST_SUITE_P(
    Exports, ReadsLayout,
    ::testing::Values(
        LayoutCase{"times_down_two_reads.txt",
                   {"Read 1:365,407 | A1 A2 A3 B1 B2 | A1 4 0..360 1000..1300 | "
                    "B2 4 0..360 1040..1340 | T\u00b0 Read 1:365,407=temperature; B3=no readings;",
                    "Read 2:450,490 | A1 A2 A3 B1 B2 | A1 4 30..390 500..560 | "
                    "B2 4 30..390 504..564 | T\u00b0 Read 2:450,490=temperature; B3=no readings;"},
                   {"Windows-1252", "2 rows after the last reading", "1 row after the last reading",
                    "A2: 1 reading marked 'OVRFLW'"}},
        LayoutCase{"times_down_resaved.csv",
                   {"Read 1:485,520 | C1 C2 C3 | C1 5 0..240 0.2..0.24 | C3 4 0..240 0.4..0.52 | "
                    "T\uFFFD Read 1:485,520=temperature;"},
                   {"C3: 1 reading marked 'OVER'", "clock times"}},
        LayoutCase{"time_blocks.txt",
                   {"Kinetics 1 | A1 A2 B1 | A1 4 0..5220 1.5..2.25 | B1 4 0..5220 0.125..0.5 | "
                    "Temperature(\u00a1C)=temperature;"},
                   {"1 row after the last reading"}},
        LayoutCase{"robot_cycle_log.txt",
                   {" | A1 A2 H12 | A1 4 0..1836 0.1..0.1375 | H12 4 0..1836 0.3..0.3 | "
                    "Cycle_Header=cycle number; Temp=temperature;"},
                   {}},
        LayoutCase{"wells_down_labels.csv",
                   {"sfGFP | A1 A2 | A1 3 0..600.2 101..203 | A2 2 0..600.2 110..230 | "
                    "Cycle Nr.=cycle number; Temp. [\u00b0C]=temperature; B1=no readings;",
                    "OD600 | A1 A2 | A1 3 40.5..640.7 0.051..0.073 | A2 3 40.5..640.7 0.05..0.07 "
                    "| Cycle Nr.=cycle number; Temp. [\u00b0C]=temperature; B1=no readings;"},
                   {"2 cycles after the last reading", "A2: 1 reading marked 'OVER'"}},
        LayoutCase{"wells_down_quoted_header.csv",
                   {"Raw Data (365/407) | A1 A2 B1 | A1 3 0..240.99984 812..1010 | "
                    "B1 3 0..240.99984 120..119 |"},
                   {"hours"}},
        LayoutCase{"wells_down_time_row.csv",
                   {" | A1 A2 | A1 3 0..3603 0.071..0.215 | A2 3 0..3603 0.08..0.1 | "
                    "Cycle=cycle number; Plate=plate number; Barcode=plate number;"},
                   {}},
        LayoutCase{"plate_per_time.txt",
                   {"Plate1 | " + Wells(8, 12) +
                    " | A1 3 0..120 1..2001 | H12 3 0..120 712..2712 | "
                    "Temperature(\u00a1C)=temperature;"},
                   {}},
        LayoutCase{
            "well_list.txt",
            {"Actin 365/407 (Counts) | A1 A2 B1 | A1 3 0..600 4000..4200 | "
             "B1 3 4..604 4002..4202 | Plate=plate number; Repeat=cycle number; Type=content;",
             "Photo 450 (Counts) | A1 A2 B1 | A1 3 1.5..601.5 900..902 | "
             "B1 3 5.5..605.5 900..902 | Plate=plate number; Repeat=cycle number; "
             "Type=content;"},
            {"own time"}},
        LayoutCase{"cuvette_traces.txt",
                   {" | D1 365:407(1) D1 365:407(2) | D1 365:407(1) 5 0..2 10000..11000 | "
                    "D1 365:407(2) 4 1..4 9000..9300 |"},
                   {}}));

}  // namespace
}  // namespace actinfit::files

namespace actinfit::files {
namespace {

struct TextCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> tables;
  std::string note = {};
};

void PrintTo(const TextCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadsText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReadsText, AsTheInstrumentMeantIt) {
  const TextCase& c = GetParam();
  const TFileTables found = ParseTables(c.bytes, "f.txt");
  std::vector<std::string> tables;
  for (const TKineticTable& table : found.tables) tables.push_back(Describe(table));
  EXPECT_EQ(tables, c.tables);
  if (!c.note.empty()) {
    EXPECT_NE(AllNotes(found).find(c.note), std::string::npos) << AllNotes(found);
  }
}

// UTF-16 little endian with its mark, as some installations write their exports.
std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadsText,
    ::testing::Values(
        // A setting above a tab table with a unit of time: neither splits the table at blanks.
        TextCase{"SettingAboveTable",
                 "Gain: 100\nTime [min]\tA1 well one\tA2\n0\t1\t2\n1\t3\t4\n",
                 {" | A1 A2 | A1 2 0..60 1..3 | A2 2 0..60 2..4 |"},
                 "minutes"},
        TextCase{"DateAboveTable",
                 "Date: 1/12/2026 10:00\n\nTime\tA1\tA2\n0:00:10\t1\t2\n0:00:20\t3\t4\n",
                 {" | A1 A2 | A1 2 10..20 1..3 | A2 2 10..20 2..4 |"}},
        // "µM" and "°" in the code page: the header arrives as UTF-8.
        TextCase{
            "Windows1252Header",
            "Time\tT\xB0 Read 1\tA1 1,5 \xB5M\n0\t25\t10\n30\t25\t11\n",
            {"Read 1 | A1 | A1 2 0..30 10..11 | A1 2 0..30 10..11 | T\u00b0 Read 1=temperature;"},
            "Windows-1252"},
        TextCase{"Utf16WithMark",
                 Utf16Le("Time(hh:mm:ss)\tTemperature(\xA1"
                         "C)\tA1\r\n0:00\t25\t1,5\r\n"
                         "1:00:00\t25\t2,5\r\n"),
                 {" | A1 | A1 2 0..3600 1.5..2.5 | A1 2 0..3600 1.5..2.5 | "
                  "Temperature(\u00a1C)=temperature;"}},
        TextCase{"BlanksWithoutHeader",
                 "0 1.5 2\n1 1.6 2.1\n2 1.7 2.2\n",
                 {" | column 2 column 3 | column 2 3 0..2 1.5..1.7 | column 3 3 0..2 2..2.2 |"}},
        // Hours past a day, and fractions of a second.
        TextCase{"LongAndFastClocks",
                 "Time;A1\n92:47:31;1\n92:47:31,250;2\n",
                 {" | A1 | A1 2 334051..334051.25 1..2 | A1 2 334051..334051.25 1..2 |"}},
        // One word for no reading drops the reading of that well only.
        TextCase{"MarksDropOneWell",
                 "t,A1,A2,A3\n0,1,Sat.,#VALUE!\n1,2,3,4\n2,?????,>4200.000,5\n",
                 {" | A1 A2 A3 | A1 2 0..1 1..2 | A3 2 1..2 4..5 |"},
                 "A2: 2 readings marked 'Sat.', '>4200.000'"},
        // A remark between two rows of readings: one table, the remark left out and said.
        TextCase{"PauseInsideTable",
                 "Time\tT\u00b0 Read 1\tA1\tA2\n0:00:00\t25\t1\t2\n0:00:30\t25\t3\t4\n"
                 "Pause\n0:01:00\t25\t5\t6\n0:01:30\t25\t7\n",
                 {"Read 1 | A1 A2 | A1 4 0..90 1..7 | A2 3 0..60 2..6 | "
                  "T\u00b0 Read 1=temperature;"},
                 "line 4 'Pause' inside the table left out"},
        TextCase{"RemarksWithoutHeader",
                 "0\t1\t2\n30\t3\t4\nInjection:\tlatrunculin 5 uM\n; mixed\n60\t5\t6\n",
                 {" | column 2 column 3 | column 2 3 0..60 1..5 | column 3 3 0..60 2..6 |"},
                 "line 4 '; mixed'"},
        // Text whose clock starts again is the next table, not a remark.
        TextCase{"NextReadAfterLabel",
                 "Time\tA1\n0\t1\n30\t2\nRead 2\nTime\tA1\n0\t3\n30\t4\n",
                 {" | A1 | A1 2 0..30 1..2 | A1 2 0..30 1..2 |",
                  "Read 2 | A1 | A1 2 0..30 3..4 | A1 2 0..30 3..4 |"}},
        TextCase{"SecondRunWithoutHeader",
                 "0\t1\n30\t2\nSecond run\n0\t3\n30\t4\n",
                 {" | column 2 | column 2 2 0..30 1..2 | column 2 2 0..30 1..2 |",
                  " | column 2 | column 2 2 0..30 3..4 | column 2 2 0..30 3..4 |"}},
        // A unit after the temperature's word names no table; a read's label above does.
        TextCase{"TemperatureUnitNamesNothing",
                 "Time\tTemp \u00b0C\tA1\n0\t25\t1\n30\t25\t2\n",
                 {" | A1 | A1 2 0..30 1..2 | A1 2 0..30 1..2 | Temp \u00b0C=temperature;"}},
        TextCase{"BracketedTemperatureUnit",
                 "Time [s]\tTemp. [\u00b0C]\tA1\n0\t25\t1\n30\t25\t2\n",
                 {" | A1 | A1 2 0..30 1..2 | A1 2 0..30 1..2 | Temp. [\u00b0C]=temperature;"}},
        TextCase{"TemperatureInBrackets",
                 "Time\tTemp (C)\tA1\n0\t25\t1\n30\t25\t2\n",
                 {" | A1 | A1 2 0..30 1..2 | A1 2 0..30 1..2 | Temp (C)=temperature;"}},
        TextCase{"LabelAboveTemperatureUnit",
                 "Read 2:450,490\nTime\tTemp. [\u00b0C]\tA1\n0\t25\t1\n30\t25\t2\n",
                 {"Read 2:450,490 | A1 | A1 2 0..30 1..2 | A1 2 0..30 1..2 | "
                  "Temp. [\u00b0C]=temperature;"}},
        // A plate matrix per read: a read the run skipped (only its time left) is no reading
        // of every well, and the reads after it are kept.
        TextCase{"PlateOfSkippedRead",
                 "Time\tTemperature\t1\t2\n0:00\t25\t1\t2\n\t\t3\t4\n\n"
                 "1:00\t25\n\n2:00\t25\t5\t6\n\t\t7\t8\n",
                 {" | A1 A2 B1 B2 | A1 2 0..120 1..5 | B2 2 0..120 4..8 | "
                  "Temperature=temperature;"},
                 "the plate at 60 s (line 5) holds no reading"},
        // Plates without times beside a table with times: the table is read, the plates said.
        TextCase{"UntimedPlatesBesideATable",
                 "Time\tA1\n0\t1\n30\t2\n\nReading: 1\n1\t2\n\nReading: 2\n3\t4\n",
                 {" | A1 | A1 2 0..30 1..2 | A1 2 0..30 1..2 |"},
                 "line 5: 2 plates numbered 'Reading: 1' hold no times"},
        // A second read never measured: no table, said among the file's notes.
        TextCase{"ReadNeverMeasured",
                 "Plate1\nTime\tTemperature\t1\t2\n0:00\t25\t1\t2\n\n"
                 "Plate2\nTime\tTemperature\t1\t2\n0:00\t25\n\n1:00\t25\n",
                 {"Plate1 | A1 A2 | A1 1 0..0 1..1 | A2 1 0..0 2..2 | Temperature=temperature;"},
                 "line 6: 'Plate2' holds no reading in any of its 2 plates"}));

TEST(ReadsText, PlatesWithoutTimesNeedTheInterval) {
  const std::string bytes = Slurp("plates_without_times.txt");
  try {
    ParseTables(bytes, "plates.txt");
    FAIL() << "read without times";
  } catch (const EInvalidInput& e) {
    EXPECT_EQ(std::string(e.what()),
              "'plates.txt' holds no kinetic table: line 3: 3 plates numbered 'Reading: 1' hold "
              "no times: give the interval between reads");
  }
  const TFileTables found = ParseTables(bytes, "plates.txt", TReadOptions{60.0});
  ASSERT_EQ(found.tables.size(), 1u);
  EXPECT_EQ(Describe(found.tables[0]),
            "Plate 1 - Wavelength: 600 | " + Wells(8, 12) +
                " | A1 3 0..120 0.06..0.08 | H12 3 0..120 0.068..0.088 |");
}

// A numbered plate the run never read keeps the clock of the reads after it.
TEST(ReadsText, UntimedPlateNeverReadKeepsTheClock) {
  const std::string bytes =
      "Reading: 1\n1\t2\n3\t4\n\nReading: 2\n\nReading: 3\n5\t6\n7\t8\n\nReading: 4\n";
  const TFileTables found = ParseTables(bytes, "plates.txt", TReadOptions{30.0});
  ASSERT_EQ(found.tables.size(), 1u);
  EXPECT_EQ(Describe(found.tables[0]), " | A1 A2 B1 B2 | A1 2 0..60 1..5 | B2 2 0..60 4..8 |");
  const std::string notes = AllNotes(found);
  EXPECT_NE(notes.find("the plate at 30 s (line 5) holds no reading"), std::string::npos) << notes;
  EXPECT_NE(notes.find("1 plate after the last reading left out"), std::string::npos) << notes;
}

struct RefusalCase {
  const char* name;
  std::string bytes;
  std::string message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusesText : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusesText, NamingTheFileAndWhatItHolds) {
  try {
    ParseTables(GetParam().bytes, "f.txt");
    FAIL() << "no refusal";
  } catch (const EInvalidInput& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusesText,
    ::testing::Values(
        RefusalCase{"Empty", "", "'f.txt' holds no kinetic table: it holds no text"},
        RefusalCase{"Binary", std::string("0 1\n\x89PNG\0\x01", 10),
                    "'f.txt' is not a text file (line 2 holds binary data)"},
        RefusalCase{"EndpointMatrix", "Read 1\n\t1\t2\t3\nA\t0.1\t0.2\t0.3\nB\t0.4\t0.5\t0.6\n",
                    "'f.txt' holds no kinetic table (no times down the rows or across over "
                    "readings of wells): the first line with numbers, line 2, reads '1 2 3'"},
        RefusalCase{"NoReadings", "Time\tA1\tA2\n0:00:00\n0:00:00\t\t\n",
                    "'f.txt' holds no kinetic table (no times down the rows or across over "
                    "readings of wells): the first line with numbers, line 2, reads '0:00:00'"},
        RefusalCase{"NeverMeasured", "Plate1\nTime\tTemperature\t1\t2\n0:00\t25\n",
                    "'f.txt' holds no kinetic table: line 2: 'Plate1' holds no reading in any of "
                    "its 1 plate: a read that was never measured, left out"},
        RefusalCase{"UnknownUnit", "Time [fortnights]\tA1\n0\t1\n1\t2\n",
                    "'f.txt' holds no kinetic table: line 1: the time column 'Time [fortnights]' "
                    "names a unit of time that is none of s, min and h"}));

}  // namespace
}  // namespace actinfit::files
