// The batch program driven as a user runs it: files in, lines or JSON out, exit codes.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "core/bound_hints.h"
#include "core/model.h"
#include "core/numtext.h"
#include "core/profile.h"
#include "core/refine.h"
#include "core/search.h"
#include "core/trial_failures.h"
#include "model_fixtures.h"

namespace actinfit::test {
namespace {

namespace fs = std::filesystem;

constexpr int kPoints = 401;

// Readings of one well: flat, then an S-shaped rise; multiples of 1/8, so that the text in the
// file is exact and every reader gets the same numbers.
std::vector<double> Well(double amplitude, double scale) {
  std::vector<double> readings(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    const double t = i;
    const double rise = t <= 60 ? 0 : amplitude * (1 - std::exp(-std::pow((t - 60) / scale, 1.6)));
    readings[static_cast<size_t>(i)] = std::round((40 + rise) * 8) / 8;
  }
  return readings;
}

struct TWell {
  std::string name;
  std::vector<double> readings;
};

std::vector<TWell> Plate() {
  return {{"A1", Well(900, 120)}, {"A2", Well(1200, 90)}, {"A3", Well(600, 200)}};
}

void WriteFile(const fs::path& path, const std::vector<TWell>& wells) {
  std::ofstream file(path);
  file << "time";
  for (const TWell& well : wells) file << '\t' << well.name;
  file << '\n';
  char number[32];
  for (int i = 0; i < kPoints; ++i) {
    file << i;
    for (const TWell& well : wells) {
      const double reading = well.readings[static_cast<size_t>(i)];
      std::snprintf(number, sizeof number, std::abs(reading) < 1e9 ? "%.3f" : "%g", reading);
      file << '\t' << number;
    }
    file << '\n';
  }
}

// The record the window builds for a trace with its default fields.
TModel WindowModel(const std::vector<double>& readings) {
  TModel m(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    m.Time[i] = i;
    m.Data[i] = readings[static_cast<size_t>(i)];
  }
  testing::SetWindowDefaults(m);
  return m;
}

constexpr const char* kNames[kParamCount] = {"BFluo", "TShift", "Knuc", "Kon", "Koff"};

// The shortest text that reads back as the same 64-bit real.
std::string Shortest(double value) {
  char text[32];
  return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

// The error and the parameters as the batch program's lines give them.
std::string ResultLine(double error, const TModel& m) {
  std::string line = Shortest(error);
  for (const double p : m.Param) line += '\t' + Shortest(p);
  return line;
}

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(::testing::TempDir()) /
               ("actinfit_batch_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    plate_ = (scratch_ / "plate.txt").string();
    WriteFile(plate_, Plate());
  }
  TBatchRun Run(const std::string& arguments) { return RunBatch(arguments, scratch_); }

  fs::path scratch_;
  std::string plate_;
};

TEST_F(BatchTest, FitOfEachTraceIsTheCoreFitOfThatTraceAlone) {
  const TBatchRun run = Run("--method fit --iterations 30 -j 2 " + plate_);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string expected = "trace\terror\tBFluo\tTShift\tKnuc\tKon\tKoff\tmessage\n";
  for (const TWell& well : Plate()) {
    auto holder = std::make_unique<TModel>(WindowModel(well.readings));
    const double error = RunCoordinateSearch([&]() -> TModel& { return *holder; }, 30, 10, {});
    expected += plate_ + ":" + well.name + "\t" + ResultLine(error, *holder) + "\t\n";
  }
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err, "");
}

std::string Joined(const std::string& first, const std::string& second) {
  return first.empty() ? second : second.empty() ? first : first + ' ' + second;
}

// The message column of a refined rising trace: the trials passed over, then a time step too
// coarse for a rate.
std::string RefineMessage(const TRefinement& refinement) {
  std::string message = TrialFailuresSentence(refinement.Failures);
  const std::string warning = refinement.DtCheck ? DtCheckWarning(*refinement.DtCheck) : "";
  if (!warning.empty()) message += (message.empty() ? "" : " ") + warning;
  return message;
}

// The message of a refined trace: what to change for each parameter left on a bound.
std::string BoundHints(const TModel& m, const TRefinement& refinement) {
  std::string hints;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (!refinement.OnBound[static_cast<size_t>(k)]) continue;
    if (!hints.empty()) hints += ' ';
    hints += BoundHint(k, m.Param[k], m.Min[k], m.Max[k], ReadingsStart(m.Data));
  }
  return hints;
}

TEST_F(BatchTest, RefineOfEachTraceIsTheCoreRefinementWithStandardErrors) {
  const TBatchRun run = Run("--method refine -j 3 --param TShift=60:0:120 " + plate_);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string expected =
      "trace\terror\tBFluo\tTShift\tKnuc\tKon\tKoff\tBFluo_se\tTShift_se\tKnuc_se\tKon_se"
      "\tKoff_se\ton_bound\tfailed_trials\tmessage\n";
  for (const TWell& well : Plate()) {
    TModel m = WindowModel(well.readings);
    m.Param[TShift] = 60;
    m.Max[TShift] = 120;
    const TRefinement refinement = RefineLeastSquares(m);
    expected += plate_ + ":" + well.name + "\t" + ResultLine(refinement.Error, m);
    for (const double se : refinement.StdError) {
      expected += '\t';
      if (!std::isnan(se)) expected += Shortest(se);
    }
    std::string onBound;
    for (int k = 0; k < kParamCount; ++k) {
      if (refinement.OnBound[static_cast<size_t>(k)]) {
        onBound.append(onBound.empty() ? "" : ",").append(kNames[k]);
      }
    }
    expected += '\t' + onBound + '\t' + std::to_string(refinement.Failures.Failed()) + '\t' +
                Joined(RefineMessage(refinement), BoundHints(m, refinement)) + '\n';
  }
  EXPECT_EQ(run.out, expected);
}

// The core's intervals of a well, refined as the batch program refines it.
struct TWellIntervals {
  TModel model;
  TRefinement refinement;
  TProfileResult profile;
};

TWellIntervals CoreIntervals(const TWell& well) {
  TModel m = WindowModel(well.readings);
  m.Param[TShift] = 60;
  m.Max[TShift] = 120;
  const TRefinement refinement = RefineLeastSquares(m);
  const TProfileResult profile = ProfileIntervals(m);
  return {m, refinement, profile};
}

// The profiled quantities in the order of the columns.
const std::optional<TInterval>& IntervalColumn(const TProfileResult& p, int32_t column) {
  static constexpr int32_t kOrder[] = {BFluo, Knuc, Kon, Koff};
  if (column < 4) return p.Param[static_cast<size_t>(kOrder[column])];
  return column == 4 ? p.KnucKon : p.KoffKon;
}

TEST_F(BatchTest, RefineWithIntervalsAddsTheCoreProfileIntervals) {
  const TBatchRun run = Run("--method refine --intervals -j 3 --param TShift=60:0:120 " + plate_);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::string expected =
      "trace\terror\tBFluo\tTShift\tKnuc\tKon\tKoff\tBFluo_se\tTShift_se\tKnuc_se\tKon_se"
      "\tKoff_se\ton_bound\tfailed_trials";
  for (const char* q : {"BFluo", "Knuc", "Kon", "Koff", "KnucKon", "KoffKon"}) {
    for (const char* field : {"_low", "_high", "_low_at_bound", "_high_at_bound"}) {
      expected += std::string("\t") + q + field;
    }
  }
  expected += "\tmessage\n";
  const auto text = [](double v) { return ShortestReal(v); };
  bool anyAtBound = false;
  for (const TWell& well : Plate()) {
    const TWellIntervals core = CoreIntervals(well);
    TModel at = core.model;
    expected += plate_ + ":" + well.name + "\t" + ResultLine(Evaluate(at), core.model);
    for (const double se : core.refinement.StdError) {
      expected += '\t';
      if (!std::isnan(se)) expected += text(se);
    }
    expected += '\t';
    for (int32_t k = 0, named = 0; k < kParamCount; ++k) {
      if (!core.refinement.OnBound[static_cast<size_t>(k)]) continue;
      if (named++ > 0) expected += ',';
      expected += ParamName(k);
    }
    expected += '\t' + std::to_string(core.refinement.Failures.Failed());
    for (int32_t column = 0; column < 6; ++column) {
      const std::optional<TInterval>& interval = IntervalColumn(core.profile, column);
      ASSERT_TRUE(interval.has_value()) << well.name << " " << column;
      expected += '\t' + text(interval->Low) + '\t' + text(interval->High);
      expected += interval->LowAtBound ? "\t1" : "\t0";
      expected += interval->HighAtBound ? "\t1" : "\t0";
      anyAtBound = anyAtBound || interval->LowAtBound || interval->HighAtBound;
    }
    expected += '\t' +
                Joined(RefineMessage(core.refinement), BoundHints(core.model, core.refinement)) +
                '\n';
  }
  EXPECT_EQ(run.out, expected);
  EXPECT_TRUE(anyAtBound);  // Kon ends on its upper bound in these wells

  // The JSON carries the same intervals exactly, with their profiles.
  const TBatchRun json =
      Run("--json --method refine --intervals -j 3 --param TShift=60:0:120 " + plate_);
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const nlohmann::json traces = nlohmann::json::parse(json.out);
  ASSERT_EQ(traces.size(), 3u);
  const TWellIntervals core = CoreIntervals(Plate()[1]);
  const nlohmann::json& intervals = traces[1]["intervals"];
  EXPECT_EQ(traces[1]["settings"]["intervals"], true);
  EXPECT_EQ(intervals["Kon"]["low"].get<double>(), core.profile.Param[Kon]->Low);
  EXPECT_EQ(intervals["KnucKon"]["high"].get<double>(), core.profile.KnucKon->High);
  EXPECT_EQ(intervals["Koff"]["status"], "done");
  EXPECT_EQ(intervals["threshold"].get<double>(), core.profile.Threshold);
  EXPECT_EQ(intervals["KoffKon"]["curve"]["ssr"].size(),
            core.profile.Curve[kProfileKoffKon].SSR.size());
  EXPECT_FALSE(intervals.contains("TShift"));
}

// The solver's own log lines stay off standard error, also when its evaluations fail: trials
// at a negative Koff fail in a square root, are passed over, and the message column says so.
TEST_F(BatchTest, RefineWritesOnlyItsOwnMessagesToStandardError) {
  const TBatchRun run = Run("--method refine --intervals -j 1 --param Koff=1:-20:20 " + plate_);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::istringstream out(run.out);
  std::vector<size_t> fields;
  int32_t told = 0;
  for (std::string line; std::getline(out, line);) {
    fields.push_back(static_cast<size_t>(std::count(line.begin(), line.end(), '\t')) + 1);
    told += line.find("invalid floating point operation at ") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(fields, std::vector<size_t>(4, 14 + 24 + 1));
  EXPECT_EQ(told, 3);
}

// A series draws random numbers: each trace must start the generator afresh, whichever thread
// runs it and whatever ran before it.
TEST_F(BatchTest, SeriesOutputDoesNotDependOnThreadsOrOtherTraces) {
  const std::string series = "--method series --runs 2 --draws 15 --iterations 12 ";
  const TBatchRun one = Run(series + "-j 1 " + plate_);
  const TBatchRun three = Run(series + "-j 3 " + plate_);
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(one.out, three.out);

  // The last well alone, in a file of its own, gives the same numbers as in the plate.
  const std::string alone = (scratch_ / "alone.txt").string();
  WriteFile(alone, {Plate()[2]});
  const TBatchRun single = Run(series + alone);
  ASSERT_EQ(single.exitCode, 0) << single.err;
  const auto numbers = [](const std::string& text, const std::string& trace) {
    std::string lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind(trace + "\t", 0) == 0) lines += line.substr(trace.size()) + "\n";
    }
    return lines;
  };
  const std::string inPlate = numbers(one.out, plate_ + ":A3");
  EXPECT_EQ(std::count(inPlate.begin(), inPlate.end(), '\n'), 2);
  EXPECT_EQ(numbers(single.out, alone + ":A3"), inPlate);
}

TEST_F(BatchTest, JsonCarriesSettingsAndExactResults) {
  const TBatchRun run =
      Run("--json --method calculate --param Kon=9:2:15:fixed --param Knuc=2e-8 --dt 0.2 "
          "--g-actin 5 " +
          plate_);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json traces = nlohmann::json::parse(run.out);
  ASSERT_EQ(traces.size(), 3u);
  for (size_t w = 0; w < 3; ++w) {
    const nlohmann::json& trace = traces[w];
    const nlohmann::json& settings = trace["settings"];
    EXPECT_EQ(trace["trace"], plate_ + ":" + Plate()[w].name);
    EXPECT_EQ(trace["points"], kPoints);
    EXPECT_EQ(settings["method"], "calculate");
    EXPECT_EQ(settings["dt"], 0.2);
    EXPECT_EQ(settings["g-actin"], 5.0);
    EXPECT_EQ(settings["parameters"]["Kon"],
              (nlohmann::json{{"value", 9.0}, {"min", 2.0}, {"max", 15.0}, {"fixed", true}}));
    EXPECT_EQ(settings["parameters"]["Knuc"]["value"], 2e-8);
    EXPECT_EQ(settings["parameters"]["Knuc"]["fixed"], false);
    EXPECT_EQ(settings["parameters"]["BFluo"]["max"], 100.0);

    TModel m = WindowModel(Plate()[w].readings);
    m.Param[Kon] = 9;
    m.Param[Knuc] = 2e-8;
    m.Dt = 0.2;
    m.Init[0] = 5;
    EXPECT_EQ(trace["error"].get<double>(), Evaluate(m));
    EXPECT_EQ(trace["ok"], true);
  }
}

struct TBadArguments {
  std::string arguments;  // PLATE stands for the data file
  std::string named;      // what the message must name
};

class BadArgumentsTest : public BatchTest, public ::testing::WithParamInterface<TBadArguments> {};

TEST_P(BadArgumentsTest, OneLineNamingTheProblemExitTwoNothingOnStdout) {
  std::string arguments = GetParam().arguments;
  arguments.replace(arguments.find("PLATE"), 5, plate_);
  const TBatchRun run = Run(arguments);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find(GetParam().named), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadArgumentsTest,
    ::testing::Values(TBadArguments{"--frobnicate PLATE", "--frobnicate"},
                      TBadArguments{"--param Kfoo=1 PLATE", "Kfoo"},
                      TBadArguments{"--param Kon=fast PLATE", "--param Kon"},
                      TBadArguments{"--param Kon=8:1 PLATE", "--param Kon"},
                      TBadArguments{"--dt 0,1 PLATE", "--dt"},
                      TBadArguments{"-j 0 PLATE", "--jobs"},
                      TBadArguments{"--method guess PLATE", "--method"},
                      TBadArguments{"--intervals PLATE", "--intervals"},
                      TBadArguments{"PLATE no_such_file.txt", "no_such_file.txt"},
                      TBadArguments{"--config no_such.toml PLATE", "no_such.toml"}));

TEST_F(BatchTest, FailedFilesAndTracesLeaveTheOthersAlone) {
  // A file with a time column only, and a well whose readings swing so far that no scaled
  // curve comes near them: the squared residuals overflow.
  const std::string timeOnly = (scratch_ / "time_only.txt").string();
  std::ofstream(timeOnly) << "0\n1\n2\n";
  std::vector<TWell> wells = Plate();
  TWell huge{"huge", std::vector<double>(kPoints, 1e200)};
  for (int i = 1; i < kPoints; i += 2) huge.readings[static_cast<size_t>(i)] = -1e200;
  wells.insert(wells.begin() + 1, huge);
  const std::string withHuge = (scratch_ / "with_huge.txt").string();
  WriteFile(withHuge, wells);

  const TBatchRun alone = Run("--method calculate " + plate_);
  const TBatchRun run = Run("--method calculate " + timeOnly + " " + withHuge + " " + plate_);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(withHuge + ":huge: Floating point overflow."), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find(timeOnly), std::string::npos) << run.err;

  std::vector<std::string> lines;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1u + 1 + 4 + 3);
  EXPECT_EQ(lines[1].rfind(timeOnly + "\t\t\t\t\t\t\t", 0), 0u) << lines[1];
  EXPECT_EQ(lines[3], withHuge + ":huge\t\t\t\t\t\t\tFloating point overflow.");
  // The wells that can be computed come out as they do without the failures around them.
  const std::string good = alone.out.substr(alone.out.find('\n') + 1);
  std::string rest;
  for (size_t i = 6; i < lines.size(); ++i) rest += lines[i] + "\n";
  EXPECT_EQ(rest, good);
  EXPECT_EQ(lines[2].substr(withHuge.size()), lines[6].substr(plate_.size()));
}

}  // namespace
}  // namespace actinfit::test
