// The batch program on instrument exports: what --inspect --json says each file holds, how the
// wells of the tables become traces and are chosen, and the G-actin a plate map or a header
// gives a well.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "core/model.h"
#include "model_fixtures.h"

namespace actinfit::test {
namespace {

namespace fs = std::filesystem;

const fs::path kExports = ACTINFIT_EXPORTS_DIR;

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    scratch_ = fs::path(::testing::TempDir()) / ("actinfit_tables_" + name);
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
  }
  // `file`: a fixture of tests/data/exports, or (starting with '=') text written to a file of
  // the scratch folder called `name`.
  std::string FileOf(const std::string& file, const std::string& name) {
    if (!file.starts_with('=')) return (kExports / file).string();
    const fs::path path = scratch_ / name;
    std::ofstream(path, std::ios::binary) << file.substr(1);
    return path.string();
  }
  TBatchRun Run(const std::string& arguments) { return RunBatch(arguments, scratch_); }

  fs::path scratch_;
};

struct TInspectCase {
  const char* name;
  std::string file;  // a fixture, or '=' and the file's text
  std::string options;
  bool ok;
  std::vector<std::string> tables;  // the names
  size_t wells;                     // in the first table
  std::string firstWell;
  double firstTime, lastTime, firstReading, lastReading;  // of the first well
  std::string leftOut;                                    // the first table's first, or ""
  std::string message;                                    // a part of it, for a refusal
};

class InspectCaseTest : public TablesTest, public ::testing::WithParamInterface<TInspectCase> {};

TEST_P(InspectCaseTest, JsonSaysWhatTheFileHolds) {
  const TInspectCase& c = GetParam();
  const std::string file = FileOf(c.file, std::string(c.name) + ".txt");
  const TBatchRun run = Run("--inspect --json " + c.options + " " + file);
  EXPECT_EQ(run.exitCode, c.ok ? 0 : 1) << run.err;
  const nlohmann::json all = nlohmann::json::parse(run.out);  // throws on text no UTF-8
  ASSERT_EQ(all.size(), 1u);
  const nlohmann::json& got = all[0];
  EXPECT_EQ(got["file"], file);
  EXPECT_EQ(got["ok"], c.ok);
  EXPECT_NE(got["message"].get<std::string>().find(c.message), std::string::npos) << got["message"];
  ASSERT_EQ(got["tables"].size(), c.tables.size());
  for (size_t t = 0; t < c.tables.size(); ++t) EXPECT_EQ(got["tables"][t]["name"], c.tables[t]);
  if (!c.ok) return;
  const nlohmann::json& table = got["tables"][0];
  ASSERT_EQ(table["traces"].size(), c.wells);
  const nlohmann::json& well = table["traces"][0];
  EXPECT_EQ(well["name"], c.firstWell);
  EXPECT_EQ(well["first_time"].get<double>(), c.firstTime);
  EXPECT_EQ(well["last_time"].get<double>(), c.lastTime);
  EXPECT_EQ(well["first_reading"].get<double>(), c.firstReading);
  EXPECT_EQ(well["last_reading"].get<double>(), c.lastReading);
  if (c.leftOut.empty()) {
    EXPECT_TRUE(table["left_out"].empty()) << table["left_out"];
  } else {
    ASSERT_FALSE(table["left_out"].empty());
    EXPECT_EQ(table["left_out"][0]["name"], c.leftOut);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InspectCaseTest,
    ::testing::Values(
        // Times down the rows, two reads, a degree sign in Windows-1252.
        TInspectCase{"TwoReadsInWindows1252",
                     "times_down_two_reads.txt",
                     "",
                     true,
                     {"Read 1:365,407", "Read 2:450,490"},
                     5,
                     "A1",
                     0,
                     360,
                     1000,
                     1300,
                     "T\xC2\xB0 Read 1:365,407",
                     ""},
        // Wells down the rows, one block per label, a time row with decimal commas.
        TInspectCase{"WellsDownTwoLabels",
                     "wells_down_labels.csv",
                     "",
                     true,
                     {"sfGFP", "OD600"},
                     2,
                     "A1",
                     0,
                     600.2,
                     101,
                     203,
                     "Cycle Nr.",
                     ""},
        // One line per well and read, each well at its own times.
        TInspectCase{"ListPerWell",
                     "well_list.txt",
                     "",
                     true,
                     {"Actin 365/407 (Counts)", "Photo 450 (Counts)"},
                     3,
                     "A1",
                     0,
                     600,
                     4000,
                     4200,
                     "Plate",
                     ""},
        // Plates without times: refused, then read with the interval given.
        TInspectCase{"PlatesWithoutTimes",
                     "plates_without_times.txt",
                     "",
                     false,
                     {},
                     0,
                     "",
                     0,
                     0,
                     0,
                     0,
                     "",
                     "hold no times"},
        TInspectCase{"PlatesWithAnInterval",
                     "plates_without_times.txt",
                     "--interval 30",
                     true,
                     {"Plate 1 - Wavelength: 600"},
                     96,
                     "A1",
                     0,
                     60,
                     0.060,
                     0.080,
                     "",
                     ""},
        // A metadata line above a tab-separated table changes nothing; minutes are converted.
        TInspectCase{"MetadataAboveTabs",
                     "=Gain: 100\nTime [min]\tA1\tB2\n0\t10\t20\n1\t11\t21\n2.5\t12\t22\n",
                     "",
                     true,
                     {""},
                     2,
                     "A1",
                     0,
                     150,
                     10,
                     12,
                     "",
                     ""},
        // A header in Windows-1252 (a micro sign as one byte) and a temperature column.
        TInspectCase{"MicroSignByte",
                     "=Time (s)\tTemperature(\xB0"
                     "C)\tA1 1.5 \xB5M\n0\t25\t100\n30\t25.1\t140\n",
                     "",
                     true,
                     {""},
                     1,
                     "A1",
                     0,
                     30,
                     100,
                     140,
                     "Temperature(\xC2\xB0"
                     "C)",
                     ""},
        TInspectCase{"NoTable",
                     "=Date: today\nnothing to see\n",
                     "",
                     false,
                     {},
                     0,
                     "",
                     0,
                     0,
                     0,
                     0,
                     "",
                     "holds no"},
        // --table, --wells and --exclude choose what is shown, in the same JSON.
        TInspectCase{"ChosenTable",
                     "times_down_two_reads.txt",
                     "--table 450",
                     true,
                     {"Read 2:450,490"},
                     5,
                     "A1",
                     30,
                     390,
                     500,
                     560,
                     "T\xC2\xB0 Read 2:450,490",
                     ""},
        TInspectCase{"ChosenWells",
                     "times_down_two_reads.txt",
                     "--wells A2-A3,B1,B2 --exclude a03,B2",
                     true,
                     {"Read 1:365,407", "Read 2:450,490"},
                     2,
                     "A2",
                     0,
                     360,
                     1010,
                     1310,
                     "T\xC2\xB0 Read 1:365,407",
                     ""},
        TInspectCase{"NoTableChosen",
                     "times_down_two_reads.txt",
                     "--table 600",
                     false,
                     {},
                     0,
                     "",
                     0,
                     0,
                     0,
                     0,
                     "",
                     "no table matches --table '600'"},
        TInspectCase{"NoWellChosen",
                     "times_down_two_reads.txt",
                     "--wells H12",
                     false,
                     {},
                     0,
                     "",
                     0,
                     0,
                     0,
                     0,
                     "",
                     "--wells and --exclude keep none of its wells"}),
    [](const ::testing::TestParamInfo<TInspectCase>& info) {
      return std::string(info.param.name);
    });

// A file name that is no UTF-8 still gives valid JSON, and the summary for a person names the
// tables and what was left out.
TEST_F(TablesTest, InspectSpeaksUtf8AndToPeople) {
  const std::string file = FileOf("=Time\tA1\n0\t1\n10\t2\n", "plate\xFF.txt");
  const TBatchRun json = Run("--inspect --json " + file);
  ASSERT_EQ(json.exitCode, 0) << json.err;
  EXPECT_EQ(nlohmann::json::parse(json.out)[0]["tables"][0]["traces"][0]["name"], "A1");

  const TBatchRun text = Run("--inspect " + (kExports / "times_down_two_reads.txt").string());
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("2 tables"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("table 2 'Read 2:450,490': 5 wells (A1, A2, A3, B1, B2)"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("left out: T\xC2\xB0 Read 1:365,407 (temperature)"), std::string::npos)
      << text.out;
}

// A chosen table keeps its number in the file, and only its notes and its chosen wells' are
// said.
TEST_F(TablesTest, InspectShowsTheChosenTablesByTheirNumbers) {
  const std::string reads = (kExports / "times_down_two_reads.txt").string();
  const TBatchRun text = Run("--inspect --table 2 --exclude A1,A3 " + reads);
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("2 tables\n  table 2 'Read 2:450,490': 3 wells (A2, B1, B2)"),
            std::string::npos)
      << text.out;
  EXPECT_EQ(text.out.find("table 1"), std::string::npos) << text.out;

  const TBatchRun all = Run("--inspect --json " + reads);
  const TBatchRun chosen = Run("--inspect --json --wells A1 " + reads);
  ASSERT_EQ(chosen.exitCode, 0) << chosen.err;
  const nlohmann::json notesOfAll = nlohmann::json::parse(all.out)[0]["notes"];
  const nlohmann::json notes = nlohmann::json::parse(chosen.out)[0]["notes"];
  EXPECT_LT(notes.size(), notesOfAll.size());
  for (const auto& note : notes) {
    EXPECT_EQ(note.get<std::string>().find(": A2:"), std::string::npos) << note;
  }
}

std::vector<std::string> TraceNames(const std::string& out) {
  std::vector<std::string> names;
  for (const auto& trace : nlohmann::json::parse(out)) names.push_back(trace["trace"]);
  return names;
}

// Traces are FILE:WELL in a file of one table, FILE:TABLE:WELL otherwise; --table, --wells and
// --exclude choose them; a choice that keeps nothing anywhere is refused.
TEST_F(TablesTest, WellsOfTheChosenTablesAreTheTraces) {
  const std::string reads = (kExports / "times_down_two_reads.txt").string();
  const std::string one = (kExports / "wells_down_time_row.csv").string();
  const std::string calculate = "--method calculate --json --param TShift=0 ";
  const TBatchRun chosen = Run(calculate + "--table 450 --wells A1-A3,B02 --exclude A2 " + reads);
  EXPECT_EQ(TraceNames(chosen.out),
            (std::vector<std::string>{reads + ":Read 2:450,490:A1", reads + ":Read 2:450,490:A3",
                                      reads + ":Read 2:450,490:B2"}));
  const TBatchRun single = Run(calculate + one);
  EXPECT_EQ(TraceNames(single.out), (std::vector<std::string>{one + ":A1", one + ":A2"}));
  const TBatchRun byNumber = Run(calculate + "--table 1 --wells B1 " + reads);
  EXPECT_EQ(TraceNames(byNumber.out), (std::vector<std::string>{reads + ":Read 1:365,407:B1"}));

  struct TRefused {
    std::string arguments, message;
  } refused[] = {
      {"--table 600 " + reads, reads + ": no table matches --table '600' (it holds 1 'Read "
                                       "1:365,407', 2 'Read 2:450,490')"},
      {"--wells H1-H12 " + reads, reads + ": --wells and --exclude keep none of its wells"},
      {"--wells A1-Z " + reads, "--wells: 'A1-Z' is no range of wells"},
      {"--inspect --plate-map " + reads + " " + reads, "--plate-map goes with a method"},
      {"--interval 0 " + reads, "--interval 0: the seconds between reads must be above 0"},
  };
  for (const TRefused& r : refused) {
    const TBatchRun run = Run("--method calculate " + r.arguments);
    EXPECT_EQ(run.exitCode, 2) << r.arguments << "\n" << run.err;
    EXPECT_NE(run.err.find(r.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

// The G-actin of each well: the plate map's, else its header's, else --g-actin; each trace's
// error is the evaluation of the model with that concentration, worked out here.
TEST_F(TablesTest, PlateMapAndHeadersGiveEachWellItsGActin) {
  std::string text = "Time (s)\tA1\tA2 3 uM\tB01\n";
  std::vector<double> time;
  for (int i = 0; i <= 60; ++i) {
    time.push_back(20.0 * i);
    const double rise = i > 10 ? (i - 10) * 4.0 : 0;
    text += std::to_string(20 * i) + "\t" + std::to_string(50 + rise) + "\t" +
            std::to_string(60 + 2 * rise) + "\t" + std::to_string(70 + 3 * rise) + "\n";
  }
  const std::string plate = FileOf("=" + text, "plate.tsv");
  const std::string map = FileOf("=well,G-actin (uM),label\nA01,1.5,low\na2,12,high\n", "map.csv");
  const TBatchRun run =
      Run("--method calculate --json --g-actin 4 --plate-map " + map + " " + plate);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json traces = nlohmann::json::parse(run.out);
  ASSERT_EQ(traces.size(), 3u);
  const double gActin[] = {1.5, 12, 4};  // the map's, the map's over the header's, --g-actin
  for (size_t w = 0; w < 3; ++w) {
    EXPECT_EQ(traces[w]["g_actin"].get<double>(), gActin[w]) << w;
    TModel m(static_cast<int32_t>(time.size()));
    m.Time = time;
    for (size_t i = 0; i < time.size(); ++i) {
      const double rise = i > 10 ? (static_cast<double>(i) - 10) * 4.0 : 0;
      m.Data[static_cast<int32_t>(i)] = 50 + 10.0 * static_cast<double>(w) + (1 + w) * rise;
    }
    testing::SetWindowDefaults(m);
    m.Init[0] = gActin[w];
    EXPECT_EQ(traces[w]["error"].get<double>(), Evaluate(m)) << w;
  }

  // Without the map, A2 takes its header's, A1 and B1 the default; a bad line of the map is
  // refused.
  const TBatchRun plain = Run("--method calculate --json " + plate);
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  const nlohmann::json defaults = nlohmann::json::parse(plain.out);
  EXPECT_EQ(defaults[0]["g_actin"].get<double>(), 6);
  EXPECT_EQ(defaults[1]["g_actin"].get<double>(), 3);
  EXPECT_EQ(defaults[2]["g_actin"].get<double>(), 6);
  const std::string bad = FileOf("=well,uM\nA1,1.5\nA2,none\n", "bad.csv");
  const TBatchRun refused = Run("--method calculate --plate-map " + bad + " " + plate);
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find(bad + "', line 3: the G-actin of A2"), std::string::npos)
      << refused.err;
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
}

}  // namespace
}  // namespace actinfit::test
