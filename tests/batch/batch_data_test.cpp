// How the batch program reads its data and prints its numbers: what it says on standard error
// about converted times and left-out rows, each trace with its own points, and lines whose
// numbers are the JSON's to the last bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "core/model.h"
#include "model_fixtures.h"

namespace actinfit::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRows = 401;
constexpr const char* kNames[kParamCount] = {"BFluo", "TShift", "Knuc", "Kon", "Koff"};

// Flat, then a rise; multiples of 1/8, exact in the file's text.
double Reading(int i, double amplitude) {
  const double t = 15.0 * i;
  const double rise = t <= 120 ? 0 : amplitude * (1 - std::exp(-std::pow((t - 120) / 900, 1.6)));
  return std::round((40 + rise) * 8) / 8;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

class BatchDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(::testing::TempDir()) /
               ("actinfit_batch_data_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
  }
  TBatchRun Run(const std::string& arguments) { return RunBatch(arguments, scratch_); }

  fs::path scratch_;
};

// Times in minutes, one (reading 11) typed too large, a reading missing in A2 (reading 51),
// and a well the reader overflowed on throughout, which is no trace.
TEST_F(BatchDataTest, SaysWhatItChangedAndGivesEachTraceItsOwnPoints) {
  const std::string plate = (scratch_ / "plate.tsv").string();
  {
    std::ofstream file(plate);
    file << std::setprecision(17) << "Time [min]\tA1\tA2\tA3\n";
    for (int i = 0; i < kRows; ++i) {
      file << (i == 10 ? 3.5 : i * 0.25) << '\t' << Reading(i, 900) << '\t';
      if (i != 50) file << Reading(i, 1200);
      file << "\tOVRFLW\n";
    }
  }
  const std::string clock = (scratch_ / "clock.csv").string();
  std::ofstream(clock) << "t,y\n0:00:00,1\n0:02:30,2\n1:00:00,3\n";

  const TBatchRun run = Run("--json --method calculate --param TShift=60 " + plate + " " + clock);
  EXPECT_EQ(run.exitCode, 0);
  const std::string held =
      ": reading 11: time 210 followed by 165; later times held at 210 (3 readings)";
  const std::vector<std::string> expected = {
      plate + ": times in minutes converted to seconds",
      plate + ": 'A3' left out (no readings)",
      plate + ":A1" + held,
      plate + ":A2: 1 reading empty, left out",
      plate + ":A2" + held,
      clock + ": clock times (h:mm:ss, m:ss) read as seconds",
  };
  EXPECT_EQ(Lines(run.err), expected) << run.err;

  // Each trace evaluated on its own points, the held times raised as the window does.
  const nlohmann::json traces = nlohmann::json::parse(run.out);
  ASSERT_EQ(traces.size(), 3u);
  for (const int well : {0, 1}) {
    TModel m(kRows - well);
    int n = 0;
    for (int i = 0; i < kRows; ++i) {
      if (well == 1 && i == 50) continue;
      m.Time[n] = i >= 10 && i <= 13 ? 210 : i * 15.0;
      m.Data[n] = Reading(i, well == 0 ? 900 : 1200);
      ++n;
    }
    testing::SetWindowDefaults(m);
    m.Param[TShift] = 60;
    EXPECT_EQ(traces[well]["points"], kRows - well);
    EXPECT_EQ(traces[well]["error"].get<double>(), Evaluate(m)) << well;
  }
  EXPECT_EQ(traces[2]["trace"], clock + ":y");
}

// The lines carry the very numbers of the JSON: each reads back to the same 64-bit real.
TEST_F(BatchDataTest, LineNumbersAreTheJsonNumbersBitForBit) {
  const std::string plate = (scratch_ / "plate.tsv").string();
  {
    std::ofstream file(plate);
    file << std::setprecision(17) << "time\tA1\tA2\n";
    for (int i = 0; i < kRows; ++i) {
      file << i * 15 << '\t' << Reading(i, 900) << '\t' << Reading(i, 600) << '\n';
    }
  }
  for (const std::string method : {"fit --iterations 20", "refine --param BFluo=10:0:20"}) {
    const std::string arguments = "--method " + method + " --param TShift=60:0:200 " + plate;
    const TBatchRun lines = Run(arguments);
    const TBatchRun json = Run("--json " + arguments);
    ASSERT_EQ(lines.exitCode, 0) << lines.err;
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::vector<std::string> rows = Lines(lines.out);
    const nlohmann::json traces = nlohmann::json::parse(json.out);
    ASSERT_EQ(rows.size(), traces.size() + 1);
    const bool refine = method.starts_with("refine");
    for (size_t t = 0; t < traces.size(); ++t) {
      const std::vector<std::string> fields = Fields(rows[t + 1]);
      const nlohmann::json& trace = traces[t];
      ASSERT_EQ(fields.size(), refine ? 14u : 8u) << rows[t + 1];
      EXPECT_EQ(std::strtod(fields[1].c_str(), nullptr), trace["error"].get<double>());
      std::string onBound;
      for (int k = 0; k < kParamCount; ++k) {
        const auto at = static_cast<size_t>(2 + k);
        EXPECT_EQ(std::strtod(fields[at].c_str(), nullptr),
                  trace["parameters"][kNames[k]].get<double>())
            << kNames[k];
        if (!refine) continue;
        const nlohmann::json& refinement = trace["refinement"];
        const nlohmann::json& se = refinement["standard_errors"][kNames[k]];
        const std::string& seText = fields[at + kParamCount];
        if (se.is_null()) {
          EXPECT_EQ(seText, "") << kNames[k];
        } else {
          EXPECT_EQ(std::strtod(seText.c_str(), nullptr), se.get<double>()) << kNames[k];
        }
        if (refinement["on_bound"][kNames[k]].get<bool>()) {
          onBound.append(onBound.empty() ? "" : ",").append(kNames[k]);
        }
      }
      if (refine) {
        EXPECT_EQ(fields[12], onBound);
        EXPECT_NE(onBound.find("BFluo"), std::string::npos) << "the background lies near 40";
      }
    }
  }
}

}  // namespace
}  // namespace actinfit::test
