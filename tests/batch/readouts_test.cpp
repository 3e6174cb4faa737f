// --method readouts: a plate of logistic wells whose answers are known, read as a user runs
// the program; its lines, its JSON and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "batch_runner.h"

namespace actinfit::test {
namespace {

namespace fs = std::filesystem;

// Wells down the columns: a rise, a fall and a blank well, readings with two decimals (a
// rounding noise of 0.003 at most).
struct Well {
  const char* name;
  double baseline, amplitude, t0, tau;
};
constexpr Well kWells[] = {
    {"B2", 120, 800, 600, 50}, {"B3", 900, -600, 300, 30}, {"B4", 140, 0, 0, 1}};

void WritePlate(const fs::path& path) {
  std::ofstream out(path);
  out << "Time [s]";
  for (const Well& well : kWells) out << '\t' << well.name;
  out << '\n';
  for (int i = 0; i <= 900; ++i) {
    const double t = 2.0 * i;
    out << t;
    for (const Well& w : kWells) {
      char cell[32];
      std::snprintf(cell, sizeof cell, "%.2f",
                    w.baseline + w.amplitude / (1 + std::exp(-(t - w.t0) / w.tau)));
      out << '\t' << cell;
    }
    out << '\n';
  }
}

std::vector<std::vector<std::string>> Rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    if (!line.empty() && line.back() == '\t') cells.emplace_back();
    rows.push_back(cells);
  }
  return rows;
}

class ReadoutsBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder of each test's own: the shards of this program run side by side.
    scratch_ = fs::path(::testing::TempDir()) /
               ("actinfit_readouts_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(scratch_);
    plate_ = (scratch_ / "plate.tsv").string();
    WritePlate(plate_);
  }
  TBatchRun Run(const std::string& arguments) { return RunBatch(arguments, scratch_); }

  fs::path scratch_;
  std::string plate_;
};

TEST_F(ReadoutsBatch, LinesAndJsonAgreeWithTheClosedForms) {
  const TBatchRun tsv = Run("--method readouts --g-actin 4 --kplus 10 " + plate_);
  ASSERT_EQ(tsv.exitCode, 0) << tsv.err;
  const auto rows = Rows(tsv.out);
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<std::string> header = {"trace",          "g_actin",   "baseline",
                                           "plateau",        "amplitude", "t_half",
                                           "t_half_se",      "max_slope", "max_slope_se",
                                           "t_max_slope",    "lag_time",  "elongation_rate_uM_s",
                                           "barbed_ends_nM", "message"};
  EXPECT_EQ(rows[0], header);

  const TBatchRun json = Run("--method readouts --g-actin 4 --kplus 10 --json " + plate_);
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const auto objects = nlohmann::json::parse(json.out);
  ASSERT_EQ(objects.size(), 3u);  // one G-actin: no scaling
  for (std::size_t w = 0; w < 2; ++w) {
    const Well& well = kWells[w];
    const auto& object = objects[w];
    SCOPED_TRACE(well.name);
    EXPECT_EQ(object["trace"], plate_ + ":" + well.name);
    EXPECT_EQ(object["ok"], true);
    const auto& r = object["readouts"];
    const double slope = well.amplitude / (4 * well.tau);
    EXPECT_NEAR(r["baseline"].get<double>(), well.baseline, 0.01 * std::fabs(well.amplitude));
    EXPECT_NEAR(r["t_half"].get<double>(), well.t0, 0.02 * well.tau);
    EXPECT_NEAR(r["max_slope"].get<double>(), slope, 0.01 * std::fabs(slope));
    EXPECT_NEAR(r["lag_time"].get<double>(), well.t0 - 2 * well.tau, 0.05 * well.tau);
    // (G - Cc) / 4 tau uM/s, signed as the trace; ends 1000 x 2 / (4 tau k+) nM.
    EXPECT_NEAR(r["elongation_rate_uM_s"].get<double>(), std::copysign(3.9 / (4 * well.tau), slope),
                0.01 * 3.9 / (4 * well.tau));
    EXPECT_NEAR(r["barbed_ends_nM"].get<double>(), 500 / (well.tau * 10), 0.01 * 50 / well.tau);
    // The line holds every digit the JSON does.
    ASSERT_EQ(rows[w + 1].size(), header.size());
    for (std::size_t k = 2; k + 1 < header.size(); ++k) {
      EXPECT_EQ(std::stod(rows[w + 1][k]), r[header[k]].get<double>()) << header[k];
    }
  }
  // The blank well: no readouts, empty cells and nulls, and why.
  EXPECT_EQ(objects[2]["ok"], false);
  EXPECT_TRUE(objects[2]["readouts"]["t_half"].is_null());
  EXPECT_NE(objects[2]["message"].get<std::string>().find("does not rise or fall"),
            std::string::npos);
  EXPECT_EQ(rows[3][5], "");
  EXPECT_EQ(rows[3].back(), objects[2]["message"].get<std::string>());
}

TEST_F(ReadoutsBatch, RefusesConstantsThatMeanNothing) {
  struct Case {
    const char* arguments;
    const char* message;
  };
  for (const Case c : {Case{"--method readouts --cc -1", "--cc -1: the critical concentration"},
                       Case{"--method readouts --kplus 0", "--kplus 0: the association rate"},
                       Case{"--method readouts --kplus X", "--kplus: "},
                       Case{"--method fit --cc 0.2", "--cc and --kplus need --method readouts"}}) {
    const TBatchRun run = Run(std::string(c.arguments) + " " + plate_);
    EXPECT_EQ(run.exitCode, 2) << c.arguments;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST_F(ReadoutsBatch, AFileThatCannotBeReadFailsAloneAfterTheOthers) {
  const fs::path broken = scratch_ / "broken.tsv";
  std::ofstream(broken) << "time\treading\nnot a number\tat all\n";
  const TBatchRun run = Run("--method readouts --json " + plate_ + " " + broken.string());
  EXPECT_EQ(run.exitCode, 1);
  const auto objects = nlohmann::json::parse(run.out);
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(objects[3]["ok"], false);
  EXPECT_FALSE(objects[3]["message"].get<std::string>().empty());
}

}  // namespace
}  // namespace actinfit::test
