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
      text += (text.empty() ? "" : " ") + std::string(1, static_cast<char>('A' + r)) +
              std::to_string(c);
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
