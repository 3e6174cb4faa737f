#include "core/analysis_report.h"

#include <span>

#include "core/analysis_findings.h"
#include "core/json_text.h"

namespace actinfit {

namespace {

using Json = nlohmann::ordered_json;

using Matrix = std::array<std::array<double, kParamCount>, kParamCount>;

Json MatrixJson(const Matrix& matrix) {
  Json rows = Json::array();
  for (const auto& row : matrix) rows.push_back(JsonReals(row));
  return rows;
}

Matrix ReadMatrix(const TJsonPlace& place) {
  place.CheckSize(kParamCount);
  Matrix matrix{};
  for (size_t i = 0; i < matrix.size(); ++i) matrix[i] = place[i].RealArray<kParamCount>();
  return matrix;
}

constexpr std::array<const char*, 4> kStatusNames = {"not profiled", "done", "cut short",
                                                     "unfinished"};

TProfileStatus ReadStatus(const TJsonPlace& place) {
  const std::string name = place.Text();
  for (size_t i = 0; i < kStatusNames.size(); ++i) {
    if (name == kStatusNames[i]) return static_cast<TProfileStatus>(i);
  }
  place.Refuse("is not a profile status");
}

}  // namespace

nlohmann::ordered_json IntervalSection(const std::optional<TInterval>& interval) {
  if (!interval) return nullptr;
  return {{"low", JsonReal(interval->Low)},
          {"high", JsonReal(interval->High)},
          {"lowAtBound", interval->LowAtBound},
          {"highAtBound", interval->HighAtBound}};
}

std::optional<TInterval> ReadIntervalSection(const TJsonPlace& place) {
  if (place.IsNull()) return std::nullopt;
  return TInterval{place["low"].Real(), place["high"].Real(), place["lowAtBound"].Bool(),
                   place["highAtBound"].Bool()};
}

namespace {

Json ProfileJson(const TProfileResult& profile) {
  Json intervals = Json::array();
  for (const auto& interval : profile.Param) intervals.push_back(IntervalSection(interval));
  Json curves = Json::array();
  Json status = Json::array();
  Json notes = Json::array();
  for (size_t q = 0; q < kProfileQuantities; ++q) {
    curves.push_back(
        {{"value", JsonReals(profile.Curve[q].Value)}, {"ssr", JsonReals(profile.Curve[q].SSR)}});
    status.push_back(kStatusNames[static_cast<size_t>(profile.Status[q])]);
    notes.push_back(profile.Note[q]);
  }
  return {{"intervals", intervals},
          {"knucKon", IntervalSection(profile.KnucKon)},
          {"koffKon", IntervalSection(profile.KoffKon)},
          {"curves", curves},
          {"status", status},
          {"notes", notes},
          {"ssrMin", JsonReal(profile.SSRMin)},
          {"threshold", JsonReal(profile.Threshold)},
          {"points", profile.Points},
          {"parameters", profile.Parameters},
          {"bestMoved", profile.BestMoved},
          {"stopped", profile.Stopped},
          {"shapes", IntervalShapesSection(profile.Shape)}};
}

TProfileResult ReadProfile(const TJsonPlace& place) {
  TProfileResult profile;
  place["intervals"].CheckSize(kParamCount);
  for (size_t k = 0; k < kParamCount; ++k)
    profile.Param[k] = ReadIntervalSection(place["intervals"][k]);
  profile.KnucKon = ReadIntervalSection(place["knucKon"]);
  profile.KoffKon = ReadIntervalSection(place["koffKon"]);
  for (const char* list : {"curves", "status", "notes"}) place[list].CheckSize(kProfileQuantities);
  for (size_t q = 0; q < kProfileQuantities; ++q) {
    profile.Curve[q].Value = place["curves"][q]["value"].Reals();
    profile.Curve[q].SSR = place["curves"][q]["ssr"].Reals();
    if (profile.Curve[q].Value.size() != profile.Curve[q].SSR.size()) {
      place["curves"][q].Refuse("holds lists of different lengths");
    }
    profile.Status[q] = ReadStatus(place["status"][q]);
    profile.Note[q] = place["notes"][q].Text();
  }
  profile.SSRMin = place["ssrMin"].Real();
  profile.Threshold = place["threshold"].Real();
  profile.Points = place["points"].Integer();
  profile.Parameters = place["parameters"].Integer();
  profile.BestMoved = place["bestMoved"].Bool();
  profile.Stopped = place["stopped"].Bool();
  if (place.Has("shapes")) profile.Shape = ReadIntervalShapesSection(place["shapes"]);
  return profile;
}

}  // namespace

nlohmann::ordered_json RefinementSection(const TRefinement& r) {
  return {{"error", JsonReal(r.Error)},
          {"stdError", JsonReals(r.StdError)},
          {"correlation", MatrixJson(r.Correlation)},
          {"evaluations", r.Evaluations},
          {"points", r.Points},
          {"refined", r.Refined},
          {"onBound", JsonBools(r.OnBound)},
          {"starts", r.Starts},
          {"startsReachingBest", r.StartsReachingBest},
          {"stopped", r.Stopped},
          {"bestStartPath", JsonReals(r.BestStartPath)},
          {"failures", FailuresSection(r.Failures)},
          {"dtCheck", DtCheckSection(r.DtCheck)}};
}

TRefinement ReadRefinementSection(const TJsonPlace& place) {
  TRefinement r{};
  r.Error = place["error"].Real();
  r.StdError = place["stdError"].RealArray<kParamCount>();
  r.Correlation = ReadMatrix(place["correlation"]);
  r.Evaluations = place["evaluations"].Integer();
  r.Points = place["points"].Integer();
  r.Refined = place["refined"].Integer();
  r.OnBound = place["onBound"].BoolArray<kParamCount>();
  r.Starts = place["starts"].Integer();
  r.StartsReachingBest = place["startsReachingBest"].Integer();
  r.Stopped = place["stopped"].Bool();
  r.BestStartPath = place["bestStartPath"].Reals();
  if (place.Has("failures")) r.Failures = ReadFailuresSection(place["failures"]);
  if (place.Has("dtCheck")) r.DtCheck = ReadDtCheckSection(place["dtCheck"]);
  return r;
}

nlohmann::ordered_json StatisticsSection(const TFitStatistics& s) {
  Json pairs = Json::array();
  for (const auto& [i, j] : s.PoorPairs) pairs.push_back({i, j});
  Json section = {{"value", JsonReals(s.Value)},
                  {"refined", JsonBools(s.Refined)},
                  {"onBound", JsonBools(s.OnBound)},
                  {"stdError", JsonReals(s.StdError)},
                  {"min", JsonReals(s.Min)},
                  {"max", JsonReals(s.Max)},
                  {"lower", JsonReals(s.Lower)},
                  {"upper", JsonReals(s.Upper)},
                  {"lowerAtBound", JsonBools(s.LowerAtBound)},
                  {"upperAtBound", JsonBools(s.UpperAtBound)},
                  {"correlation", MatrixJson(s.Correlation)},
                  {"shiftResolution", JsonReal(s.ShiftResolution)},
                  {"points", s.Points},
                  {"parameters", s.Parameters},
                  {"tQuantile", JsonReal(s.TQuantile)},
                  {"residualSD", JsonReal(s.ResidualSD)},
                  {"rSquared", JsonReal(s.RSquared)},
                  {"starts", s.Starts},
                  {"startsReachingBest", s.StartsReachingBest},
                  {"stopped", s.Stopped},
                  {"runs", s.Runs},
                  {"runsExpected", JsonReal(s.RunsExpected)},
                  {"runsZ", JsonReal(s.RunsZ)},
                  {"poorPairs", pairs},
                  {"time", JsonReals(s.Time)},
                  {"residual", JsonReals(s.Residual)}};
  section["profile"] = s.Profile ? ProfileJson(*s.Profile) : Json(nullptr);
  section["readingsStart"] = JsonReal(s.ReadingsStart);
  section["failures"] = FailuresSection(s.Failures);
  section["shape"] = TraceShapeSection(s.Shape);
  section["dtCheck"] = DtCheckSection(s.DtCheck);
  return section;
}

TFitStatistics ReadStatisticsSection(const TJsonPlace& place) {
  TFitStatistics s{};
  s.Value = place["value"].RealArray<kParamCount>();
  s.Refined = place["refined"].BoolArray<kParamCount>();
  s.OnBound = place["onBound"].BoolArray<kParamCount>();
  s.StdError = place["stdError"].RealArray<kParamCount>();
  s.Min = place["min"].RealArray<kParamCount>();
  s.Max = place["max"].RealArray<kParamCount>();
  s.Lower = place["lower"].RealArray<kParamCount>();
  s.Upper = place["upper"].RealArray<kParamCount>();
  s.LowerAtBound = place["lowerAtBound"].BoolArray<kParamCount>();
  s.UpperAtBound = place["upperAtBound"].BoolArray<kParamCount>();
  s.Correlation = ReadMatrix(place["correlation"]);
  s.ShiftResolution = place["shiftResolution"].Real();
  s.Points = place["points"].Integer();
  s.Parameters = place["parameters"].Integer();
  s.TQuantile = place["tQuantile"].Real();
  s.ResidualSD = place["residualSD"].Real();
  s.RSquared = place["rSquared"].Real();
  s.Starts = place["starts"].Integer();
  s.StartsReachingBest = place["startsReachingBest"].Integer();
  s.Stopped = place["stopped"].Bool();
  s.Runs = place["runs"].Integer();
  s.RunsExpected = place["runsExpected"].Real();
  s.RunsZ = place["runsZ"].Real();
  for (size_t n = 0; n < place["poorPairs"].Size(); ++n) {
    const TJsonPlace pair = place["poorPairs"][n];
    pair.CheckSize(2);
    const int32_t i = pair[size_t{0}].Integer();
    const int32_t j = pair[size_t{1}].Integer();
    if (i < 0 || j < 0 || i >= kParamCount || j >= kParamCount) pair.Refuse("names no parameter");
    s.PoorPairs.emplace_back(i, j);
  }
  s.Time = place["time"].Reals();
  s.Residual = place["residual"].Reals();
  if (s.Time.size() != s.Residual.size()) place["residual"].Refuse("does not match the times");
  if (!place["profile"].IsNull()) s.Profile = ReadProfile(place["profile"]);
  if (place.Has("readingsStart")) s.ReadingsStart = place["readingsStart"].Real();
  if (place.Has("failures")) s.Failures = ReadFailuresSection(place["failures"]);
  if (place.Has("shape")) s.Shape = ReadTraceShapeSection(place["shape"]);
  if (place.Has("dtCheck")) s.DtCheck = ReadDtCheckSection(place["dtCheck"]);
  return s;
}

}  // namespace actinfit
