// --method global: a plate file is one dilution series; its lines, its JSON and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "series_file.h"

namespace actinfit::test {
namespace {

namespace fs = std::filesystem;

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

class GlobalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(::testing::TempDir()) /
               ("actinfit_global_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    WriteSeriesFile(scratch_ / "plate.tsv", kConcentrationHeaders);
    WriteSeriesFile(scratch_ / "bare.tsv", {"A1", "A2", "A3 6 uM", "A4"});
  }
  TBatchRun Run(const std::string& arguments) { return RunBatch(arguments, scratch_); }
  std::string File(const char* name) { return (scratch_ / name).string(); }

  fs::path scratch_;
};

// Columns without a concentration in their header take it from --g-actin-of; one line per
// trace, then the file's line with the shared rates, their intervals and the whole error.
TEST_F(GlobalTest, OneLinePerTraceAndOneForTheSharedRates) {
  const TBatchRun run = Run("--method global --param TShift=0:0:200 --g-actin-of A1=1.5,A2=3 " +
                            std::string("--g-actin-of A4=12 ") + File("bare.tsv"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto rows = Rows(run.out);
  ASSERT_EQ(rows.size(), 6u);
  const auto& header = rows[0];
  ASSERT_EQ(header.size(), 32u);
  EXPECT_EQ(header[1], "g_actin");
  EXPECT_EQ(header.back(), "message");
  const char* gActin[] = {"1.5", "3", "6", "12"};
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_EQ(rows[1 + i].size(), header.size()) << i;
    EXPECT_EQ(rows[1 + i][1], gActin[i]);
    EXPECT_NEAR(std::stod(rows[1 + i][2]), 25, 8);  // the noise's variance
    EXPECT_TRUE(rows[1 + i][3].empty());            // the rates are on the file's line
  }
  const auto& shared = rows[5];
  ASSERT_EQ(shared.size(), header.size());
  EXPECT_EQ(shared[0], File("bare.tsv"));
  EXPECT_NEAR(std::stod(shared[2]), 25, 4);
  // The product the series determines, inside its own interval, near the truth.
  const double product = std::stod(shared[3]) * std::stod(shared[4]);
  EXPECT_NEAR(product / (kSeriesTruth[0] * kSeriesTruth[1]), 1, 0.1);
  EXPECT_LE(std::stod(shared[22]), product * (1 + 1e-12));
  EXPECT_GE(std::stod(shared[23]), product * (1 - 1e-12));
}

// Bounds set wide for rates nobody knows reach trials whose Euler steps diverge: the fit goes
// on, and the file's line and the JSON count them and say why. The series on two threads takes
// the same path as on one, to the last trial; --progress says where it stands on standard
// error, though that is no terminal, and nothing is said without it.
TEST_F(GlobalTest, WideBoundsCountTheTrialsThatFailed) {
  const std::string wide =
      "--method global --param TShift=0:0:200 --param Knuc=1e-8:1e-12:1e-5 "
      "--param Kon=8:0.1:100 --param Koff=1:0.001:100 ";
  const TBatchRun run = Run("-j 1 " + wide + File("plate.tsv"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("series,"), std::string::npos) << run.err;
  const auto rows = Rows(run.out);
  ASSERT_EQ(rows.size(), 6u);
  ASSERT_EQ(rows[0][30], "failed_trials");
  const auto& shared = rows[5];
  ASSERT_EQ(shared.size(), rows[0].size());
  EXPECT_GT(std::stoi(shared[30]), 0);
  EXPECT_NE(shared[31].find(" trial points"), std::string::npos) << shared[31];
  EXPECT_NEAR(std::stod(shared[2]), 25, 4);

  const TBatchRun json = Run("-j 2 --progress --json " + wide + File("plate.tsv"));
  ASSERT_EQ(json.exitCode, 0) << json.err;
  EXPECT_NE(json.err.find("0/1 series, 0s elapsed"), std::string::npos) << json.err;
  EXPECT_NE(json.err.find("1/1 series, "), std::string::npos) << json.err;
  const auto file = nlohmann::json::parse(json.out)[0];
  EXPECT_EQ(file["error"].get<double>(), std::stod(shared[2]));
  const auto& failed = file["failed_trials"];
  EXPECT_EQ(failed["count"].get<int>(), std::stoi(shared[30]));
  EXPECT_EQ(shared[31].rfind(failed["message"].get<std::string>(), 0), 0u) << shared[31];
  EXPECT_GT(failed["trials"].get<int>(), failed["count"].get<int>());
  // The best point refitted with half the time step, each rate's move with it.
  const auto& dt = file["dt_check"];
  EXPECT_EQ(dt["dt"].get<double>(), 0.1);
  EXPECT_GT(dt["half_dt_error"].get<double>(), 0);
  EXPECT_FALSE(dt["moves"].empty());
}

// JSON: the rates with standard errors and intervals, the combinations, every trace.
TEST_F(GlobalTest, JsonCarriesEverything) {
  const TBatchRun run = Run("--method global --json --param TShift=0:0:200 " + File("plate.tsv"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto files = nlohmann::json::parse(run.out);
  ASSERT_EQ(files.size(), 1u);
  const auto& file = files[0];
  EXPECT_EQ(file["method"], "global");
  EXPECT_EQ(file["scaling"], "amplitude");
  EXPECT_EQ(file["points"], 4 * 401);
  // p: four backgrounds and amplitudes, and the rates not on a bound (those with an error).
  int inside = 0;
  for (const char* rate : {"Knuc", "Kon", "Koff"}) {
    ASSERT_TRUE(file["rates"][rate].contains("std_error")) << rate;
    inside += file["rates"][rate]["std_error"].is_null() ? 0 : 1;
    EXPECT_TRUE(file["rates"][rate]["interval"].is_object()) << rate;
  }
  EXPECT_EQ(file["parameters"].get<int>(), 8 + inside);
  EXPECT_TRUE(file["KnucKon"]["interval"].is_object());
  EXPECT_TRUE(file["brightness"].is_null());
  ASSERT_EQ(file["traces"].size(), 4u);
  EXPECT_EQ(file["traces"][1]["g_actin"], 3.0);
  EXPECT_EQ(file["traces"][3]["column"], "A4 12uM");

  // The lines carry the same numbers, bit for bit, as every method's lines do.
  const auto rows = Rows(Run("--method global --param TShift=0:0:200 " + File("plate.tsv")).out);
  ASSERT_EQ(rows.size(), 6u);
  const char* rates[] = {"Knuc", "Kon", "Koff"};
  for (size_t r = 0; r < 3; ++r) {
    EXPECT_EQ(std::stod(rows[5][3 + r]), file["rates"][rates[r]]["value"].get<double>()) << r;
  }
  EXPECT_EQ(std::stod(rows[5][2]), file["error"].get<double>());
  EXPECT_EQ(std::stod(rows[4][8]), file["traces"][3]["amplitude"].get<double>());
}

// A column without a concentration is refused naming the trace; the arguments of the series
// need --method global.
TEST_F(GlobalTest, RefusalsNameTheTraceOrTheArgument) {
  const TBatchRun missing = Run("--method global " + File("bare.tsv"));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find(File("bare.tsv") + ":A1: no G-actin"), std::string::npos)
      << missing.err;
  EXPECT_EQ(Rows(missing.out).size(), 2u);

  for (const std::string& arguments :
       {std::string("--scaling brightness "), std::string("--fit-tshift "),
        std::string("--g-actin-of A1=3 ")}) {
    const TBatchRun run = Run("--method fit " + arguments + File("plate.tsv"));
    EXPECT_EQ(run.exitCode, 2) << arguments;
    EXPECT_NE(run.err.find("need --method global"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  const TBatchRun bad = Run("--method global --g-actin-of A1 " + File("plate.tsv"));
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("--g-actin-of: expected COLUMN=UM"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace actinfit::test
