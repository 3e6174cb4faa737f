// The batch program does what it is told or says why: settings that name nothing or that the
// method does not read are refused up front (exit 2); a file named twice is refused; every
// output line keeps the header's cells; a trace that cannot run fails on its own line (exit 1).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "series_file.h"

namespace actinfit::test {
namespace {

namespace fs = std::filesystem;

void Replace(std::string& text, const std::string& word, const std::string& by) {
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size())) {
    text.replace(at, word.size(), by);
  }
}

// Times `first`, first + 10, ... (`rows` rows), one rising readings column per header; a header
// may hold a tab (the reader takes a quoted cell as it is), `emptyColumn` (from 1) holds none.
void WriteRising(const fs::path& path, double first, const std::vector<std::string>& headers,
                 size_t emptyColumn = 0, int rows = 31) {
  std::ofstream out(path);
  out << "\"Time (s)\"";
  for (const std::string& header : headers) out << "\t\"" << header << '"';
  out << '\n';
  out.precision(12);
  for (int i = 0; i < rows; ++i) {
    out << first + 10 * i;
    for (size_t c = 1; c <= headers.size(); ++c) {
      out << '\t';
      if (c != emptyColumn) out << 100 + (i > 10 ? (i - 10) * 20 * c : 0);
    }
    out << '\n';
  }
}

std::vector<size_t> CellsPerLine(const std::string& text) {
  std::vector<size_t> cells;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    cells.push_back(static_cast<size_t>(std::count(line.begin(), line.end(), '\t')) + 1);
  }
  return cells;
}

class RefusalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    scratch_ = fs::path(::testing::TempDir()) / ("actinfit_refusals_" + name);
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    WriteSeriesFile(scratch_ / "plate.tsv", kConcentrationHeaders);
    WriteSeriesFile(scratch_ / "bare.tsv", {"A1", "A2", "A3", "A4"});
    WriteRising(scratch_ / "epoch.tsv", 1.7e9, {"B1", "B2"});
    WriteRising(scratch_ / "tabbed.tsv", 0, {"C1\t1.5 uM", "C2"});
    WriteRising(scratch_ / "gap.tsv", 0, {"D1 1 uM", "D2 3 uM", "D3 6 uM"}, 2);
    WriteRising(scratch_ / "short.tsv", 0, {"E1 1 uM", "E2 3 uM"}, 0, 3);
  }
  std::string Expand(std::string text) const {
    for (const char* name : {"PLATE", "BARE", "EPOCH", "TABBED", "GAP", "SHORT", "CONFIG"}) {
      std::string file(name);
      std::transform(file.begin(), file.end(), file.begin(), ::tolower);
      Replace(text, name,
              (scratch_ / (file == "config" ? "settings.toml" : file + ".tsv")).string());
    }
    Replace(text, "SAME", (scratch_ / "." / "plate.tsv").string());
    return text;
  }

  fs::path scratch_;
};

struct TProcessCase {
  const char* name;
  std::string arguments;  // PLATE, BARE, ...: the files of SetUp; SAME: PLATE by another path
  std::string config;     // written to CONFIG
  int exitCode;
  std::string errLine;  // one whole line of standard error; none at all when empty
  size_t lines;         // on standard output, the header's too
  size_t cells;         // on every output line
};

class ProcessCaseTest : public RefusalsTest, public ::testing::WithParamInterface<TProcessCase> {};

TEST_P(ProcessCaseTest, ExitCodeMessageAndCells) {
  const TProcessCase& c = GetParam();
  std::ofstream(scratch_ / "settings.toml") << c.config;
  const TBatchRun run = RunBatch(Expand(c.arguments), scratch_);
  EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
  if (c.errLine.empty()) {
    EXPECT_EQ(run.err, "");
  } else {
    std::string lines = "\n", line = "\n";
    lines += run.err;
    line += Expand(c.errLine);
    line += '\n';
    EXPECT_NE(lines.find(line), std::string::npos) << run.err;
  }
  const std::vector<size_t> cells = CellsPerLine(run.out);
  EXPECT_EQ(cells.size(), c.lines) << run.out;
  for (size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(cells[i], c.cells) << "line " << i + 1;
}

const std::string kStep =
    ": Time step 0.1: one evaluation would take 17000002000 steps from TShift 100 to the last "
    "time 1700000300, more than the 1000000000 allowed.";
const std::string kFree = " --param TShift=0:0:200 ";

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessCaseTest,
    ::testing::Values(
        // A setting that names nothing, or that the method does not read.
        TProcessCase{"UnknownColumnOfGActin", "--method global --g-actin-of A01=1.5 BARE", "", 2,
                     "actinfit-batch: --g-actin-of A01: no readings column has this header or "
                     "number (BARE has A1, A2, A3, A4)",
                     0, 0},
        TProcessCase{"ColumnNumberBeyondTheColumns", "--method global --g-actin-of 5=1.5 BARE", "",
                     2,
                     "actinfit-batch: --g-actin-of 5: no readings column has this header or "
                     "number (BARE has A1, A2, A3, A4)",
                     0, 0},
        TProcessCase{"OneGActinForASeries", "--method global --g-actin 3 PLATE", "", 2,
                     "actinfit-batch: --g-actin: --method global takes each trace's G-actin from "
                     "--g-actin-of, the [g-actin] table of --config, --plate-map or the well's "
                     "header, never one for all",
                     0, 0},
        TProcessCase{"OneGActinForASeriesFromConfig", "--method global --config CONFIG PLATE",
                     "g-actin = 3\n", 2,
                     "actinfit-batch: CONFIG: g-actin: --method global takes each trace's "
                     "G-actin from --g-actin-of, the [g-actin] table of --config, --plate-map or "
                     "the well's header, never one for all",
                     0, 0},
        TProcessCase{"ColumnGActinForOneTrace", "--method fit --config CONFIG PLATE",
                     "[g-actin]\n\"A1 1.5 uM\" = 3\n", 2,
                     "actinfit-batch: CONFIG: g-actin.A1 1.5 uM: the G-actin of single columns "
                     "needs --method global",
                     0, 0},
        TProcessCase{"OneGActinNoWellReads", "--method calculate --g-actin 3 PLATE", "", 2,
                     "actinfit-batch: --g-actin: every well has its own G-actin, from "
                     "--plate-map or its header; none would use this one",
                     0, 0},
        // Numbers count the readings columns from 1.
        TProcessCase{"ColumnsByNumber",
                     "--method global" + kFree + "--g-actin-of 1=1.5,2=3,3=6,4=12 BARE", "", 0, "",
                     6, 32},
        // A file named twice, by the same path or another.
        TProcessCase{"SeriesFileTwice", "--method global PLATE PLATE", "", 2,
                     "actinfit-batch: PLATE: named twice; each file is read once, as its own "
                     "traces",
                     0, 0},
        TProcessCase{"FileTwiceByAnotherPath", "--method calculate PLATE SAME", "", 2,
                     "actinfit-batch: SAME: named twice; each file is read once, as its own traces",
                     0, 0},
        // A tab inside a header cell.
        TProcessCase{"TabInAHeader", "--method calculate --param TShift=0 TABBED", "", 0,
                     "actinfit-batch: tabs and line breaks inside names and messages are written "
                     "as blanks, so that every line keeps its cells",
                     3, 8},
        // A trace too long for the time step fails on its own; the others are computed.
        TProcessCase{"EpochTimesFailAlone", "--method calculate PLATE EPOCH", "", 1,
                     "EPOCH:B1" + kStep, 1 + 4 + 2, 8},
        TProcessCase{"EpochTimesAloneAreRefused", "--method calculate EPOCH", "", 2,
                     "actinfit-batch: EPOCH:B1" + kStep.substr(0, kStep.size() - 1), 0, 0},
        // Series messages name the file and the column.
        TProcessCase{"EmptySecondColumn", "--method global GAP", "", 0,
                     "GAP: 'D2' left out (no readings)", 1 + 2 + 1, 32},
        TProcessCase{"TooFewPointsNamed", "--method global SHORT", "", 1,
                     "SHORT:E1 (1 uM): too few points (3; its 5 refined parameters need 6)", 2, 32},
        // What no run can use, refused up front.
        TProcessCase{"ZeroGActinOfAColumn", "--method global --g-actin-of A1=0 BARE", "", 2,
                     "actinfit-batch: --g-actin-of A1: G-actin 0: the concentration must be above "
                     "0",
                     0, 0},
        TProcessCase{"EveryRateFixed",
                     "--method global --param Knuc=1e-8:fixed --param Kon=8:fixed --param "
                     "Koff=1:fixed PLATE",
                     "", 2,
                     "actinfit-batch: --method global: no rate is marked for fitting (Knuc, Kon "
                     "and Koff are all fixed)",
                     0, 0},
        TProcessCase{"CrossedShiftBoundsRefined",
                     "--method global --fit-tshift --param TShift=100:300:0:fixed PLATE", "", 2,
                     "actinfit-batch: The bounds of TShift are crossed: its minimum is above its "
                     "maximum",
                     0, 0}),
    [](const ::testing::TestParamInfo<TProcessCase>& info) {
      return std::string(info.param.name);
    });

// A column's number and its header name give the same series, number for number.
TEST_F(RefusalsTest, ColumnNumbersAndNamesGiveTheSameFit) {
  const TBatchRun named =
      RunBatch("--method global" + kFree + "--g-actin-of A1=1.5,A2=3,A3=6,A4=12 " + Expand("BARE"),
               scratch_);
  const TBatchRun numbered = RunBatch(
      "--method global" + kFree + "--g-actin-of 1=1.5,2=3,3=6,4=12 " + Expand("BARE"), scratch_);
  ASSERT_EQ(named.exitCode, 0) << named.err;
  EXPECT_EQ(numbered.out, named.out);
}

}  // namespace
}  // namespace actinfit::test
