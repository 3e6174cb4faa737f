// The analysis file: every part written and read back bit for bit, the same bytes when written
// again, numbers in their shortest exact form, and each kind of bad file refused by name.
#include "core/analysis.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "core/atomic_file.h"
#include "core/errors.h"
#include "core/json_text.h"
#include "core/readouts.h"

namespace actinfit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Equal to the last bit, NaN equal to NaN.
bool Same(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b) ||
         (std::isnan(a) && std::isnan(b));
}

template <typename Range>
bool SameReals(const Range& a, const Range& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!Same(a[i], b[i])) return false;
  }
  return true;
}

TAnalysis FilledAnalysis() {
  TAnalysis a;
  a.Source = "plate 3.csv: B7 2 µM";
  a.SourceParts = {"plate 3.csv", "", "B7 2 µM"};
  TModel& m = a.Record;
  m = TModel(4);
  m.Time = {0, 0.1, 150, 1e3};
  m.Data = {50, 50.015, -0.0, 1272.4};
  m.Fitted = {49.999999999999993, 5e-324, 83.768, 1.7976931348623157e308};
  m.Residual = {-1e-17, 0.30000000000000004, kNaN, -kInf};
  m.Param = {10, 100, 1.2345678901234567e-8, 8, 1};
  m.Min = {0, 0, 1e-11, 1, 0};
  m.Max = {100, 200, 1e-6, 20, kInf};
  m.Fit = {true, false, true, true, false};
  m.Init = {6.25, 0, 0};
  m.Dt = 0.1;
  a.Fields = {{"edKnuc", "1,2346E-08"}, {"edAG", "6.25"}, {"edNote", "tab\there \"quoted\"\n"}};
  a.Marks = {{"chbKnuc", true}, {"CheckBox2", false}};
  a.Labels = {{"lbSSE", "12.34500"}, {"lbNData", "4"}};
  a.Panes = {{"mTime", "0\n0.1\n150\n1e3"}, {"mResults", "1\t2\nx"}};
  a.ResultOrigins = {TResultOrigin{"pasted", 4.5}, std::nullopt};
  a.ErrorChart = {{0, 3.5}, {1, 2.25}};

  TRefinement r{};
  r.Error = 2.25;
  r.StdError = {0.5, kNaN, 1e-10, 0.25, kNaN};
  for (auto& row : r.Correlation) row = {1, kNaN, -0.97, 0.5, 0};
  r.Evaluations = 1234;
  r.Points = 4;
  r.Refined = 3;
  r.OnBound = {false, false, false, false, true};
  r.Starts = 9;
  r.StartsReachingBest = 7;
  r.BestStartPath = {3.5, 2.5, 2.25};
  a.Refinement = r;

  TFitStatistics s{};
  s.Value = m.Param;
  s.Refined = m.Fit;
  s.StdError = r.StdError;
  s.Min = m.Min;
  s.Max = m.Max;
  s.Lower = {9, 100, 1e-9, 7.5, 1};
  s.Upper = {11, 100, 2e-8, 8.5, 1};
  s.LowerAtBound = {false, false, true, false, false};
  s.Correlation = r.Correlation;
  s.ShiftResolution = 0.05;
  s.Points = 4;
  s.Parameters = 3;
  s.TQuantile = 12.706204736174707;
  s.ResidualSD = 1.5;
  s.RSquared = 0.999;
  s.Runs = 2;
  s.RunsExpected = kNaN;
  s.RunsZ = kNaN;
  s.PoorPairs = {{2, 3}};
  s.Time = m.Time;
  s.Residual = m.Residual;
  TProfileResult p;
  p.Param[2] = TInterval{1e-9, 3e-8, false, true};
  p.KnucKon = TInterval{8e-9, 2.4e-7, true, false};
  p.Curve[2] = {{1e-9, 1.2e-8, 3e-8}, {9, 2.25, 9}};
  p.Status = {TProfileStatus::NotProfiled, TProfileStatus::NotProfiled, TProfileStatus::Done,
              TProfileStatus::CutShort,    TProfileStatus::NotProfiled, TProfileStatus::Done,
              TProfileStatus::Unfinished};
  p.Note[3] = "an evaluation overflowed at Kon = 19";
  p.SSRMin = 9;
  p.Threshold = 170.5;
  p.Points = 4;
  p.Parameters = 3;
  p.Stopped = true;
  s.Profile = p;
  a.Statistics = s;

  TRefinedResult refined;
  refined.Param = m.Param;
  refined.Min = m.Min;
  refined.Max = m.Max;
  refined.Fit = m.Fit;
  refined.Shown = {10, 100, 1.2346e-8, 8, 1};
  refined.GActin = 6.25;
  refined.Dt = 0.1;
  a.Refined = refined;
  // A section a later program adds passes through untouched.
  a.Sections["notebook"] = {{"wells", {{{"gActin", 1.5}}}}};
  // Readouts of a logistic rise, and of two points (none: every number not-a-number).
  std::vector<double> riseTime, rise;
  for (int i = 0; i < 60; ++i) {
    riseTime.push_back(10.0 * i);
    rise.push_back(50 + 1000 / (1 + std::exp(-(10.0 * i - 300) / 40)) + 0.1 * (i % 3));
  }
  a.Readouts = TSavedReadouts{{0.25, 10.5}, TraceReadouts(riseTime, rise)};

  TSavedSeries series;
  series.Traces = {{"plate.csv: A1 1.5 uM",
                    {0, 10},
                    {5, 7.5},
                    {"plate.csv: A1 1.5 uM", "1.5"},
                    true,
                    TraceReadouts(std::vector<double>{0, 10}, std::vector<double>{5, 7.5})}};
  series.Fields = {{"edSeriesTStep", "0.5"}};
  series.Marks = {{"chbSeriesKoff", false}};
  series.Scaling = 1;
  series.Report = "Knuc\t1e-8\n";
  TSeries fitted{};
  fitted.Traces = {TSeriesTrace{{0, 10}, {5, 7.5}, 1.5, 100, true, 0, 200, "plate.csv:A1"}};
  fitted.Rate = {1e-8, 8, 1};
  fitted.FitRate = {true, true, false};
  fitted.Dt = 0.5;
  fitted.Scaling = TScaling::SharedBrightness;
  series.Fitted = fitted;
  TSeriesFit fit{};
  fit.Rate = {1.1e-8, 7.5, 1};
  fit.RateStdError = {1e-9, 0.5, kNaN};
  fit.RateInterval[1] = TInterval{6.5, 20, false, true};
  fit.TShift = {101.5};
  fit.Background = {5};
  fit.Amplitude = {kNaN};
  fit.TraceError = {0.25};
  fit.Brightness = 210.5;
  series.Fit = fit;
  series.Curves = {{5.25, 7.25}};
  a.Series = series;
  return a;
}

TEST(AnalysisFile, EveryPartReadsBackToTheLastBitAndWritesTheSameBytes) {
  const TAnalysis saved = FilledAnalysis();
  const std::string text = AnalysisText(saved);
  const TAnalysis opened = ParseAnalysis(text);

  EXPECT_EQ(AnalysisText(opened), text);
  EXPECT_EQ(opened.Source, saved.Source);
  EXPECT_EQ(opened.SourceParts, saved.SourceParts);
  const TModel& m = opened.Record;
  EXPECT_EQ(m.Count, 4);
  EXPECT_TRUE(SameReals(m.Time, saved.Record.Time));
  EXPECT_TRUE(SameReals(m.Data, saved.Record.Data));  // the negative zero too
  EXPECT_TRUE(SameReals(m.Fitted, saved.Record.Fitted));
  EXPECT_TRUE(SameReals(m.Residual, saved.Record.Residual));
  EXPECT_TRUE(SameReals(m.Param, saved.Record.Param));
  EXPECT_TRUE(SameReals(m.Max, saved.Record.Max));
  EXPECT_EQ(m.Fit, saved.Record.Fit);
  EXPECT_TRUE(SameReals(m.Init, saved.Record.Init));
  EXPECT_EQ(opened.Fields, saved.Fields);
  EXPECT_EQ(opened.Marks, saved.Marks);
  EXPECT_EQ(opened.Labels, saved.Labels);
  EXPECT_EQ(opened.Panes, saved.Panes);
  EXPECT_EQ(opened.ResultOrigins, saved.ResultOrigins);
  EXPECT_EQ(opened.ErrorChart, saved.ErrorChart);
  ASSERT_TRUE(opened.Refinement && opened.Statistics && opened.Refined);
  EXPECT_TRUE(SameReals(opened.Refinement->StdError, saved.Refinement->StdError));
  EXPECT_TRUE(SameReals(opened.Refinement->Correlation[0], saved.Refinement->Correlation[0]));
  EXPECT_EQ(opened.Refinement->BestStartPath, saved.Refinement->BestStartPath);
  const TFitStatistics& s = *opened.Statistics;
  EXPECT_TRUE(std::isnan(s.RunsZ));
  EXPECT_EQ(s.PoorPairs, saved.Statistics->PoorPairs);
  EXPECT_EQ(s.LowerAtBound, saved.Statistics->LowerAtBound);
  ASSERT_TRUE(s.Profile);
  EXPECT_EQ(s.Profile->Status, saved.Statistics->Profile->Status);
  EXPECT_EQ(s.Profile->Note, saved.Statistics->Profile->Note);
  EXPECT_EQ(s.Profile->Curve[2].SSR, saved.Statistics->Profile->Curve[2].SSR);
  EXPECT_TRUE(s.Profile->KnucKon && s.Profile->KnucKon->LowAtBound);
  EXPECT_FALSE(s.Profile->KoffKon);
  EXPECT_TRUE(s.Profile->Stopped);
  EXPECT_TRUE(SameReals(opened.Refined->Shown, saved.Refined->Shown));
  EXPECT_EQ(opened.Sections, saved.Sections);
  ASSERT_TRUE(opened.Readouts && opened.Readouts->Trace.Ok);
  EXPECT_EQ(opened.Readouts->Constants.KPlus, 10.5);
  for (const auto& [got, want] :
       {std::pair{&opened.Readouts->Trace, &saved.Readouts->Trace},
        {&*opened.Series->Traces[0].Readouts, &*saved.Series->Traces[0].Readouts}}) {
    EXPECT_EQ(got->Message, want->Message);
    EXPECT_TRUE(SameReals(std::array{got->Baseline, got->THalf, got->THalfSE, got->MaxSlope,
                                     got->LagTime, got->WindowWidth},
                          std::array{want->Baseline, want->THalf, want->THalfSE, want->MaxSlope,
                                     want->LagTime, want->WindowWidth}));
  }
  ASSERT_TRUE(opened.Series && opened.Series->Fitted && opened.Series->Fit);
  const TSavedSeries& series = *opened.Series;
  EXPECT_EQ(series.Traces[0].Cells, saved.Series->Traces[0].Cells);
  EXPECT_TRUE(series.Traces[0].FitTShift);
  EXPECT_EQ(series.Fields, saved.Series->Fields);
  EXPECT_EQ(series.Scaling, 1);
  EXPECT_EQ(series.Fitted->Scaling, TScaling::SharedBrightness);
  EXPECT_EQ(series.Fitted->Traces[0].TShift, 100);
  EXPECT_TRUE(SameReals(series.Fit->RateStdError, saved.Series->Fit->RateStdError));
  EXPECT_TRUE(series.Fit->RateInterval[1] && series.Fit->RateInterval[1]->HighAtBound);
  EXPECT_FALSE(series.Fit->RateInterval[0]);
  EXPECT_EQ(series.Curves, saved.Series->Curves);
}

// The source's file, table and well are separate entries; a file that kept only the name has
// them from it.
TEST(AnalysisFile, SourcePartsAreKeptOrReadFromTheName) {
  struct Case {
    const char* name;
    TSourceParts parts;
  };
  for (const Case& c : {Case{"trace.tsv: reading", {"trace.tsv", "", "reading"}},
                        Case{"run.txt: Plate 1: B3", {"run.txt", "Plate 1", "B3"}},
                        Case{"run.txt: Read 2: 485/520: C4", {"run.txt", "Read 2: 485/520", "C4"}},
                        Case{"pasted", {}}, Case{"default data set", {}}}) {
    EXPECT_EQ(SourcePartsOfName(c.name), c.parts) << c.name;
    if (!c.parts.File.empty()) {
      EXPECT_EQ(SourceNameOfParts(c.parts), c.name);
    }
  }
  TAnalysis a = FilledAnalysis();
  a.Source = "run.txt: Plate 1: B3";
  a.SourceParts = {"run.txt", "Plate 1", "B3"};
  nlohmann::json older = nlohmann::json::parse(AnalysisText(a));
  for (const char* key : {"file", "table", "well"}) older["data"].erase(key);
  EXPECT_EQ(ParseAnalysis(older.dump()).SourceParts, a.SourceParts);
}

TEST(AnalysisFile, AnAnalysisWithoutRefinementHasNoReport) {
  TAnalysis bare;
  bare.Record = TModel(2);
  const TAnalysis opened = ParseAnalysis(AnalysisText(bare));
  EXPECT_FALSE(opened.Refinement || opened.Statistics || opened.Refined);
  EXPECT_TRUE(opened.Sections.empty());
}

// Numbers as the file writes them: shortest text that reads back as the same double.
TEST(JsonText, NumbersInTheirShortestExactForm) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.1, "0.1"},       {50, "50"},        {1e-8, "1e-08"},
      {-0.0, "-0.0"},     {kNaN, "\"NaN\""}, {-kInf, "\"-Infinity\""},
      {5e-324, "5e-324"}, {1e21, "1e+21"},   {0.30000000000000004, "0.30000000000000004"},
  };
  for (const auto& c : cases) {
    const std::string text = JsonText(JsonReal(c.value));
    EXPECT_EQ(text, std::string(c.text) + "\n") << c.text;
    const double back = ReadJsonReal(nlohmann::ordered_json::parse(text), "x");
    EXPECT_TRUE(Same(back, c.value)) << c.text;
  }
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

// Each bad file is refused with a message that says what is wrong with it.
TEST(AnalysisFile, BadFilesAreRefusedNamingTheFault) {
  const std::string good = AnalysisText(FilledAnalysis());
  const struct {
    std::string text;
    const char* says;
  } cases[] = {
      {good.substr(0, good.size() / 2), "cut short"},
      {"", "cut short"},
      {"\x89PNG\r\n\x1a\n", "not valid JSON"},
      {"[1, 2]", "not an actinfit analysis"},
      {R"({"format": "something else", "version": 1})", "not an actinfit analysis"},
      {Replaced(good, "\"version\": 1", "\"version\": 2"), "later actinfit (format version 2)"},
      {Replaced(good, "\"version\": 1", "\"version\": \"1\""), "version is not a whole number"},
      {Replaced(good, "\"readings\"", "\"reading\""), "data.readings is missing"},
      {Replaced(good, "\"time\": [0, 0.1, 150, 1000]", "\"time\": [0, 0.1, 150]"),
       "data.readings does not match the times"},
      {Replaced(good, "\"gActin\": 6.25", "\"gActin\": \"6.25\""), "data.gActin is not a number"},
      {Replaced(good, "\"fit\": true", "\"fit\": 1"), "record.parameters.BFluo.fit is not true"},
      {Replaced(good, "\"edAG\": \"6.25\"", "\"edAG\": 6.25"), "fields.edAG is not a text"},
      {Replaced(good, "\"done\"", "\"finished\""), "report.profile.status[2] is not a profile"},
      {Replaced(good, "\"poorPairs\": [\n      [2, 3]", "\"poorPairs\": [\n      [2, 9]"),
       "report.poorPairs[0] names no parameter"},
      {Replaced(good, "\"curves\": [\n      [5.25, 7.25]", "\"curves\": [\n      [5.25]"),
       "series.curves[0] does not match the times"},
      {Replaced(good, "\"traceError\": [0.25]", "\"traceError\": []"),
       "series.fit.traceError does not hold 1 values"},
  };
  for (const auto& c : cases) {
    try {
      ParseAnalysis(c.text);
      ADD_FAILURE() << "accepted, should say: " << c.says;
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos)
          << error.what() << "\n  should say: " << c.says;
    }
  }
}

TEST(AnalysisFile, ResultLinesKeepTheirOriginThroughRemovalsAndRepeats) {
  const std::vector<TLoggedResult> logged = {
      {"1\ta", {"a.csv: B1", 2}}, {"2\tb", {"pasted", 3}}, {"1\ta", {"b.csv: C4", 4}}};
  // The user removed the second line, typed one in, and the first line came twice.
  const auto origins = ResultOrigins({"1\ta", "typed", "1\ta", "2\tb"}, logged);
  ASSERT_EQ(origins.size(), 4u);
  EXPECT_EQ(origins[0], (TResultOrigin{"a.csv: B1", 2}));
  EXPECT_FALSE(origins[1]);
  EXPECT_EQ(origins[2], (TResultOrigin{"b.csv: C4", 4}));
  EXPECT_FALSE(origins[3]);  // out of order: it comes after a later line
}

}  // namespace
}  // namespace actinfit

namespace actinfit {
namespace {

std::string Contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A write replaces the whole file and leaves no temporary file; one that cannot be made names
// the file and leaves the folder as it was.
TEST(AtomicFile, ReplacesWholeOrNotAtAll) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("actinfit_atomic_" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "a.actinfit").string();
  WriteFileAtomically(path, std::string(100000, 'x'));
  WriteFileAtomically(path, "short");
  EXPECT_EQ(Contents(path), "short");

  const std::string missing = (folder / "no folder" / "b.actinfit").string();
  try {
    WriteFileAtomically(missing, "text");
    ADD_FAILURE() << "written into a missing folder";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                          std::filesystem::directory_iterator()),
            1);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace actinfit
