// The batch program under faults: impossible settings refused up front, evaluation errors with
// their cause, failed writes reported, fewer threads than asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "batch_runner.h"

namespace actinfit::test {
namespace {

namespace fs = std::filesystem;

// Times 0, 10, ..., 400 and `wells` rising readings columns A1, A2, ...
void WritePlate(const fs::path& path, int wells) {
  std::ofstream file(path);
  file << "time";
  for (int w = 1; w <= wells; ++w) file << "\tA" << w;
  file << '\n';
  for (int t = 0; t <= 400; t += 10) {
    file << t;
    for (int w = 1; w <= wells; ++w) file << '\t' << 40 + (t > 100 ? (t - 100) * w : 0);
    file << '\n';
  }
}

void Replace(std::string& text, const std::string& word, const std::string& by) {
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size())) {
    text.replace(at, word.size(), by);
  }
}

class FaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');  // the cases of a table
    scratch_ = fs::path(::testing::TempDir()) / ("actinfit_faults_" + name);
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    plate_ = (scratch_ / "plate.txt").string();
    config_ = (scratch_ / "settings.toml").string();
    WritePlate(plate_, 2);
  }
  std::string Expand(std::string text) const {
    Replace(text, "PLATE", plate_);
    Replace(text, "CONFIG", config_);
    return text;
  }
  TBatchRun Run(const std::string& arguments, const TShell& shell = {}) {
    return RunBatch(Expand(arguments), scratch_, shell);
  }

  fs::path scratch_;
  std::string plate_, config_;
};

const std::string kHeader = "trace\terror\tBFluo\tTShift\tKnuc\tKon\tKoff\tmessage\n";

struct TFaultCase {
  const char* name;
  std::string arguments;  // PLATE: the data file, CONFIG: the settings file
  std::string config;     // written to CONFIG
  bool configByPipe;      // CONFIG reaches the program through a pipe, as --config /dev/stdin
  int exitCode;
  std::string err;
  std::string out;
};

class FaultCaseTest : public FaultsTest, public ::testing::WithParamInterface<TFaultCase> {};

TEST_P(FaultCaseTest, ExitCodeStandardErrorAndOutput) {
  const TFaultCase& c = GetParam();
  std::ofstream(config_) << c.config;
  TShell shell;
  if (c.configByPipe) shell.input = config_;
  std::string arguments = c.arguments;
  if (c.configByPipe) Replace(arguments, "CONFIG", "/dev/stdin");
  const TBatchRun run = Run(arguments, shell);
  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_EQ(run.err, Expand(c.err));
  EXPECT_EQ(run.out, Expand(c.out));
}

// A trace that failed: its name, the empty number columns, the message.
std::string FailedLines(const std::string& message) {
  return kHeader + "PLATE:A1\t\t\t\t\t\t\t" + message + "\nPLATE:A2\t\t\t\t\t\t\t" + message + "\n";
}
std::string FailedErr(const std::string& message) {
  return "PLATE:A1: " + message + "\nPLATE:A2: " + message + "\n";
}

const std::string kSteps = " steps from TShift ";
const std::string kAllowed = ", more than the 1000000000 allowed\n";
const std::string kFlat = "Invalid floating point operation (no model value above 0: ";

INSTANTIATE_TEST_SUITE_P(
    Cases, FaultCaseTest,
    ::testing::Values(
        // A time step that would run for days; the searches count from TShift's lower bound.
        TFaultCase{"TinyStepCalculate", "--method calculate --dt 1e-8 PLATE", "", false, 2,
                   "actinfit-batch: PLATE:A1: Time step 1E-8: one evaluation would take "
                   "30000000000" +
                       kSteps + "100 to the last time 400" + kAllowed,
                   ""},
        TFaultCase{"TinyStepFitFromLowerBound", "--method fit --dt 1e-8 PLATE", "", false, 2,
                   "actinfit-batch: PLATE:A1: Time step 1E-8: one evaluation would take "
                   "40000000000" +
                       kSteps + "0 to the last time 400" + kAllowed,
                   ""},
        TFaultCase{"TinyStepFixedShift", "--param TShift=100:0:200:fixed --dt 1e-8 PLATE", "",
                   false, 2,
                   "actinfit-batch: PLATE:A1: Time step 1E-8: one evaluation would take "
                   "30000000000" +
                       kSteps + "100 to the last time 400" + kAllowed,
                   ""},
        TFaultCase{"TinyStepFromConfig", "--method calculate --config CONFIG PLATE", "dt = 1e-12\n",
                   false, 2,
                   "actinfit-batch: PLATE:A1: Time step 1E-12: one evaluation would take "
                   "300000000000000" +
                       kSteps + "100 to the last time 400" + kAllowed,
                   ""},
        TFaultCase{"TinyStepFromPipedConfig", "--method calculate --config CONFIG PLATE",
                   "dt = 1e-12\n", true, 2,
                   "actinfit-batch: PLATE:A1: Time step 1E-12: one evaluation would take "
                   "300000000000000" +
                       kSteps + "100 to the last time 400" + kAllowed,
                   ""},
        TFaultCase{"StepNotAboveZero", "--method calculate --dt -1 PLATE", "", false, 2,
                   "actinfit-batch: dt -1: the time step must be above 0\n", ""},
        // Impossible settings.
        TFaultCase{"NoGActin", "--g-actin 0 PLATE", "", false, 2,
                   "actinfit-batch: G-actin 0: the concentration must be above 0\n", ""},
        TFaultCase{"NegativeGActinFromConfig", "--config CONFIG PLATE", "g-actin = -1\n", false, 2,
                   "actinfit-batch: G-actin -1: the concentration must be above 0\n", ""},
        TFaultCase{"CrossedBoundsFit", "--method fit --param Kon=8:20:1 PLATE", "", false, 2,
                   "actinfit-batch: The bounds of Kon are crossed: its minimum is above its "
                   "maximum\n",
                   ""},
        TFaultCase{"CrossedBoundsSeries", "--method series --param Koff=1:5:2 PLATE", "", false, 2,
                   "actinfit-batch: The bounds of Koff are crossed: its minimum is above its "
                   "maximum\n",
                   ""},
        TFaultCase{"CrossedBoundsRefineFromConfig", "--method refine --config CONFIG PLATE",
                   "Knuc = { min = 1e-6, max = 1e-9 }\n", false, 2,
                   "actinfit-batch: The bounds of Knuc are crossed: its minimum is above its "
                   "maximum\n",
                   ""},
        // Numbers of the settings file pass the checks of the command line.
        TFaultCase{"NanStepFromConfig", "--config CONFIG PLATE", "dt = nan\n", false, 2,
                   "actinfit-batch: CONFIG: dt: 'NAN' is not a valid floating point value\n", ""},
        TFaultCase{"NanBoundFromConfig", "--config CONFIG PLATE", "Kon = { min = nan }\n", false, 2,
                   "actinfit-batch: CONFIG: Kon.min: 'NAN' is not a valid floating point value\n",
                   ""},
        TFaultCase{"InfiniteBoundFromPipedConfig", "--config CONFIG PLATE", "Kon = { max = inf }\n",
                   true, 2,
                   "actinfit-batch: /dev/stdin: Kon.max: 'INF' is not a valid floating point "
                   "value\n",
                   ""},
        // Evaluation errors name the cause the settings show.
        TFaultCase{"EveryTimeBeforeTheShift", "--method calculate --param TShift=400 PLATE", "",
                   false, 1, FailedErr(kFlat + "every time is at or before TShift 400)."),
                   FailedLines(kFlat + "every time is at or before TShift 400).")},
        TFaultCase{"NoNucleation", "--method calculate --param Knuc=0 PLATE", "", false, 1,
                   FailedErr(kFlat + "Knuc is 0 and there are no filaments at the start)."),
                   FailedLines(kFlat + "Knuc is 0 and there are no filaments at the start).")},
        TFaultCase{"NegativeKoff", "--method calculate --param Koff=-1 PLATE", "", false, 1,
                   FailedErr("sqrt: DOMAIN error; Invalid floating point operation (Koff -1 is "
                             "negative)."),
                   FailedLines("sqrt: DOMAIN error; Invalid floating point operation (Koff -1 "
                               "is negative).")}),
    [](const ::testing::TestParamInfo<TFaultCase>& info) { return std::string(info.param.name); });

TEST_F(FaultsTest, ConfigFromAPipeReadsAsFromAFile) {
  std::ofstream(config_) << "dt = 0.5\nKon = \"9:2:15:fixed\"\n";
  const TBatchRun file = Run("--method calculate --config CONFIG PLATE");
  TShell pipe;
  pipe.input = config_;
  const TBatchRun piped = Run("--method calculate --config /dev/stdin PLATE", pipe);
  const TBatchRun options = Run("--method calculate --dt 0.5 --param Kon=9:2:15:fixed PLATE");
  ASSERT_EQ(options.exitCode, 0) << options.err;
  EXPECT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_EQ(piped.out, options.out);
  EXPECT_EQ(file.out, options.out);
}

TEST_F(FaultsTest, FullDiskIsReportedNotSuccess) {
  TShell full;
  full.output = "/dev/full";
  for (const char* arguments :
       {"--method calculate PLATE", "--json --method calculate PLATE", "--help"}) {
    const TBatchRun run = Run(arguments, full);
    EXPECT_EQ(run.exitCode, 1) << arguments;
    EXPECT_EQ(run.err, "actinfit-batch: standard output: No space left on device\n") << arguments;
  }
}

// A file size limit that the output reaches after a few KiB: the signal is ignored, so the
// write fails and is reported.
TEST_F(FaultsTest, FileSizeLimitIsReportedNotSuccess) {
  WritePlate(plate_, 80);
  const TBatchRun whole = Run("--json --method calculate PLATE");
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  ASSERT_GT(whole.out.size(), 40000u);
  TShell limited;
  limited.before = "ulimit -f 16;";  // 8 or 16 KiB, as the shell counts blocks
  const TBatchRun run = Run("--json --method calculate PLATE", limited);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "actinfit-batch: standard output: File too large\n");
  EXPECT_GT(run.out.size(), 0u);
  EXPECT_LT(run.out.size(), whole.out.size());
  EXPECT_EQ(whole.out.substr(0, run.out.size()), run.out);
}

// The program is built with the same flags as this test.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ACTINFIT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ACTINFIT_SANITIZED 1
#endif
#endif
#ifdef ACTINFIT_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Under a small address space limit only some threads (or none) can be started: the run goes
// on with those, says so, and prints what it prints with one thread.
TEST_F(FaultsTest, FewerThreadsThanAskedForGiveTheSameOutput) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers' shadow memory needs the whole address space";
  WritePlate(plate_, 12);
  const std::string arguments = "--method fit --iterations 5 -j 12 PLATE";
  const TBatchRun alone = Run("--method fit --iterations 5 -j 1 PLATE");
  ASSERT_EQ(alone.exitCode, 0) << alone.err;
  bool shortOfThreads = false;
  // The program's own size differs from build to build: some of these limits leave it room
  // for itself and a few thread stacks of 8 MiB, not for twelve.
  for (const int kib : {24000, 32000, 40000, 48000, 64000, 80000, 96000}) {
    TShell limited;
    limited.before = "ulimit -s 8192; ulimit -v " + std::to_string(kib) + ";";
    const TBatchRun run = Run(arguments, limited);
    ASSERT_NE(run.exitCode, -1) << "killed by a signal under ulimit -v " << kib << ": " << run.err;
    if (run.exitCode != 0) continue;  // too small for the program itself
    EXPECT_EQ(run.out, alone.out) << kib;
    if (run.err.empty()) continue;
    EXPECT_TRUE(run.err.starts_with("actinfit-batch: -j 12: ")) << run.err;
    EXPECT_NE(run.err.find("could be started"), std::string::npos) << run.err;
    shortOfThreads = true;
  }
  EXPECT_TRUE(shortOfThreads) << "no limit left the program short of threads";
}

}  // namespace
}  // namespace actinfit::test
