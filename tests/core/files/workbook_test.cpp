// Workbooks written here with a spreadsheet library, read through the same detection as text.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/errors.h"
#include "core/files/tables.h"

namespace actinfit::files {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name))
      .string();
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A kinetic read with times as durations, a temperature and a word for an overflow; wells down
// the rows under a time row in seconds; a sheet of notes only.
std::string WriteWorkbook() {
  const std::string path = TempPath("kinetics.xlsx");
  lxw_workbook* book = workbook_new(path.c_str());
  lxw_format* duration = workbook_add_format(book);
  format_set_num_format(duration, "[h]:mm:ss.000");

  lxw_worksheet* read = workbook_add_worksheet(book, "Plate 1");
  worksheet_write_string(read, 0, 0, "Read 1:485,520", nullptr);
  const char* header[] = {"Time", "T\xC2\xB0 Read 1:485,520", "A1", "A2 1.5 \xC2\xB5M"};
  for (int c = 0; c < 4; ++c) worksheet_write_string(read, 2, c, header[c], nullptr);
  const double seconds[] = {0, 90.5, 334051};
  for (int r = 0; r < 3; ++r) {
    worksheet_write_number(read, 3 + r, 0, seconds[r] / 86400, duration);
    worksheet_write_number(read, 3 + r, 1, 25.5, nullptr);
    worksheet_write_number(read, 3 + r, 2, 0.125 * (r + 1), nullptr);
    if (r == 1) {
      worksheet_write_string(read, 3 + r, 3, "OVER", nullptr);
    } else {
      worksheet_write_number(read, 3 + r, 3, 1000 + r, nullptr);
    }
  }

  lxw_worksheet* wells = workbook_add_worksheet(book, "sfGFP");
  const char* labels[] = {"Cycle Nr.", "Time [s]",
                          "Temp. [\xC2\xB0"
                          "C]",
                          "B7", "C3"};
  for (int r = 0; r < 5; ++r) {
    worksheet_write_string(wells, r, 0, labels[r], nullptr);
    for (int c = 1; c <= 3; ++c) {
      const double values[] = {static_cast<double>(c), 60.0 * (c - 1), 37, 10.0 * c, 20.0 * c};
      worksheet_write_number(wells, r, c, values[r], nullptr);
    }
  }
  lxw_worksheet* notes = workbook_add_worksheet(book, "Notes");
  worksheet_write_string(notes, 0, 0, "Operator: lab 2", nullptr);
  EXPECT_EQ(workbook_close(book), LXW_NO_ERROR);
  return path;
}

TEST(Workbook, EverySheetReadAsItsLayout) {
  const std::string path = WriteWorkbook();
  const TFileTables found = ReadTables(path);
  std::filesystem::remove(path);
  ASSERT_EQ(found.tables.size(), 2u);

  const TKineticTable& read = found.tables[0];
  EXPECT_EQ(read.name, "Read 1:485,520");
  ASSERT_EQ(read.traces.size(), 2u);
  EXPECT_EQ(read.traces[0].name, "A1");
  // Fractions of a day back to the seconds they were written from.
  EXPECT_EQ(read.traces[0].times, (std::vector<double>{0, 90.5, 334051}));
  EXPECT_EQ(read.traces[0].readings, (std::vector<double>{0.125, 0.25, 0.375}));
  EXPECT_EQ(read.traces[1].name, "A2");
  EXPECT_EQ(read.traces[1].header, "A2 1.5 \xC2\xB5M");
  EXPECT_EQ(read.traces[1].times, (std::vector<double>{0, 334051}));
  ASSERT_EQ(read.leftOut.size(), 1u);
  EXPECT_EQ(read.leftOut[0].why, "temperature");

  const TKineticTable& wells = found.tables[1];
  EXPECT_EQ(wells.name, "sfGFP");
  ASSERT_EQ(wells.traces.size(), 2u);
  EXPECT_EQ(wells.traces[1].name, "C3");
  EXPECT_EQ(wells.traces[1].times, (std::vector<double>{0, 60, 120}));
  EXPECT_EQ(wells.traces[1].readings, (std::vector<double>{20, 40, 60}));
  EXPECT_NE(
      std::find(found.notes.begin(), found.notes.end(), "sheet 'Notes' holds no kinetic table"),
      found.notes.end());
}

TEST(Workbook, DamagedArchivesAreRefusedNamingTheFile) {
  std::string bytes = Slurp(WriteWorkbook());
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"cut", bytes.substr(0, bytes.size() / 2)},
      {"header only", std::string("PK\x03\x04", 4)},
      {"zeros", std::string("PK\x03\x04", 4) + std::string(4096, '\0')},
  };
  for (const auto& c : cases) {
    try {
      ParseTables(c.bytes, "book.xlsx");
      ADD_FAILURE() << c.name << " read";
    } catch (const EInvalidInput& e) {
      EXPECT_EQ(std::string(e.what()).rfind("'book.xlsx'", 0), 0u) << c.name << ": " << e.what();
    }
  }
  std::filesystem::remove(TempPath("kinetics.xlsx"));
}

}  // namespace
}  // namespace actinfit::files
