#include "core/analysis.h"

#include "core/analysis_findings.h"
#include "core/analysis_report.h"
#include "core/defaults.h"
#include "core/errors.h"
#include "core/json_place.h"
#include "core/json_text.h"
#include "core/series_analysis.h"
#include "core/version.h"

namespace actinfit {

namespace {

using Json = nlohmann::ordered_json;

// The sections the main window reads; any other is kept as it is (TAnalysis::Sections).
constexpr const char* kReportSection = "report";
constexpr std::array<const char*, 17> kOwnSections = {
    "format",  "version",    "program",      "decimalMark", "data",    "record",
    "fields",  "marks",      "labels",       "panes",       "results", "errorChart",
    "refined", "refinement", kReportSection, "readouts",    "series"};

Json Reals(const std::vector<double>& values) {
  Json array = Json::array();
  for (const double value : values) array.push_back(JsonReal(value));
  return array;
}

template <typename Named>
Json NamedJson(const Named& named) {
  Json object = Json::object();
  for (const auto& [name, value] : named) object[name] = value;
  return object;
}

TNamedTexts ReadNamedTexts(const TJsonPlace& place) {
  if (!place.value().is_object()) place.Refuse("is not an object");
  TNamedTexts texts;
  for (const auto& [name, value] : place.value().items()) {
    texts.emplace_back(name, place[name.c_str()].Text());
  }
  return texts;
}

TNamedMarks ReadNamedMarks(const TJsonPlace& place) {
  if (!place.value().is_object()) place.Refuse("is not an object");
  TNamedMarks marks;
  for (const auto& [name, value] : place.value().items()) {
    marks.emplace_back(name, place[name.c_str()].Bool());
  }
  return marks;
}

void CheckRecord(const TModel& m) {
  const size_t n = m.Time.size();
  if (m.Data.size() != n || m.Fitted.size() != n || m.Residual.size() != n ||
      static_cast<size_t>(m.Count) != n) {
    throw Error("The record's times, readings and curve differ in length");
  }
}

Json DataJson(const TAnalysis& a) {
  return {{"source", a.Source},
          {"file", a.SourceParts.File},
          {"table", a.SourceParts.Table},
          {"well", a.SourceParts.Well},
          {"gActin", JsonReal(a.Record.Init[0])},
          {"time", Reals(a.Record.Time)},
          {"readings", Reals(a.Record.Data)}};
}

Json RecordJson(const TModel& m) {
  Json parameters = Json::object();
  for (size_t k = 0; k < kParamCount; ++k) {
    parameters[kParamNames[k]] = {{"value", JsonReal(m.Param[k])},
                                  {"min", JsonReal(m.Min[k])},
                                  {"max", JsonReal(m.Max[k])},
                                  {"fit", m.Fit[k]}};
  }
  return {{"parameters", parameters},
          {"dt", JsonReal(m.Dt)},
          {"fitted", Reals(m.Fitted)},
          {"residual", Reals(m.Residual)}};
}

Json RefinedJson(const TRefinedResult& r) {
  Json parameters = Json::object();
  for (size_t k = 0; k < kParamCount; ++k) {
    parameters[kParamNames[k]] = {{"value", JsonReal(r.Param[k])},
                                  {"min", JsonReal(r.Min[k])},
                                  {"max", JsonReal(r.Max[k])},
                                  {"fit", r.Fit[k]},
                                  {"shown", JsonReal(r.Shown[k])}};
  }
  return {{"parameters", parameters}, {"gActin", JsonReal(r.GActin)}, {"dt", JsonReal(r.Dt)}};
}

Json ResultsJson(const std::vector<std::optional<TResultOrigin>>& origins) {
  Json lines = Json::array();
  for (const auto& origin : origins) {
    lines.push_back(origin ? Json{{"source", origin->Source}, {"gActin", JsonReal(origin->GActin)}}
                           : Json(nullptr));
  }
  return {{"origins", lines}};
}

void ReadData(const TJsonPlace& data, TAnalysis& a) {
  a.Source = data["source"].Text();
  // A file written before the parts were kept has them from the name.
  a.SourceParts = data.Has("file")
                      ? TSourceParts{data["file"].Text(), data["table"].Text(), data["well"].Text()}
                      : SourcePartsOfName(a.Source);
  TModel& m = a.Record;
  m.Time = data["time"].Reals();
  m.Data = data["readings"].Reals();
  if (m.Data.size() != m.Time.size()) data["readings"].Refuse("does not match the times");
  m.Count = static_cast<int32_t>(m.Time.size());
  m.Init = {data["gActin"].Real(), 0, 0};
}

void ReadRecord(const TJsonPlace& record, TModel& m) {
  for (size_t k = 0; k < kParamCount; ++k) {
    const TJsonPlace row = record["parameters"][kParamNames[k]];
    m.Param[k] = row["value"].Real();
    m.Min[k] = row["min"].Real();
    m.Max[k] = row["max"].Real();
    m.Fit[k] = row["fit"].Bool();
  }
  m.Dt = record["dt"].Real();
  m.Fitted = record["fitted"].Reals();
  m.Residual = record["residual"].Reals();
  for (const char* curve : {"fitted", "residual"}) {
    if (record[curve].Size() != m.Time.size()) record[curve].Refuse("does not match the times");
  }
}

TRefinedResult ReadRefined(const TJsonPlace& place) {
  TRefinedResult r;
  for (size_t k = 0; k < kParamCount; ++k) {
    const TJsonPlace row = place["parameters"][kParamNames[k]];
    r.Param[k] = row["value"].Real();
    r.Min[k] = row["min"].Real();
    r.Max[k] = row["max"].Real();
    r.Fit[k] = row["fit"].Bool();
    r.Shown[k] = row["shown"].Real();
  }
  r.GActin = place["gActin"].Real();
  r.Dt = place["dt"].Real();
  return r;
}

std::vector<std::optional<TResultOrigin>> ReadOrigins(const TJsonPlace& results) {
  const TJsonPlace lines = results["origins"];
  std::vector<std::optional<TResultOrigin>> origins(lines.Size());
  for (size_t i = 0; i < origins.size(); ++i) {
    const TJsonPlace line = lines[i];
    if (!line.IsNull()) origins[i] = TResultOrigin{line["source"].Text(), line["gActin"].Real()};
  }
  return origins;
}

std::vector<std::array<double, 2>> ReadPoints(const TJsonPlace& place) {
  std::vector<std::array<double, 2>> points(place.Size());
  for (size_t i = 0; i < points.size(); ++i) points[i] = place[i].RealArray<2>();
  return points;
}

char ReadDecimalMark(const TJsonPlace& place) {
  const std::string mark = place.Text();
  if (mark != "." && mark != ",") place.Refuse("is neither \".\" nor \",\"");
  return mark[0];
}

void CheckKind(const TJsonPlace& root) {
  if (!root.value().is_object() || !root.Has("format") || !root["format"].value().is_string() ||
      root["format"].Text() != kAnalysisFormat) {
    throw Error("It is not an actinfit analysis");
  }
  const int32_t version = root["version"].Integer();
  if (version > kAnalysisVersion) {
    throw Error("It was saved by a later actinfit (format version " + std::to_string(version) +
                "); this one reads format version " + std::to_string(kAnalysisVersion) +
                " and earlier");
  }
  if (version < 1) root["version"].Refuse("is not a format version");
}

bool OwnSection(const std::string& key) {
  for (const char* own : kOwnSections) {
    if (key == own) return true;
  }
  return false;
}

}  // namespace

TSourceParts SourcePartsOfName(const std::string& name) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = name.find(": "); at != std::string::npos; at = name.find(": ", start)) {
    parts.push_back(name.substr(start, at - start));
    start = at + 2;
  }
  parts.push_back(name.substr(start));
  if (parts.size() == 2) return {parts[0], "", parts[1]};
  // A table's name may hold ": " itself: the well is the last part.
  if (parts.size() > 2) {
    std::string table = parts[1];
    for (size_t i = 2; i + 1 < parts.size(); ++i) table += ": " + parts[i];
    return {parts[0], table, parts.back()};
  }
  return {};
}

std::string SourceNameOfParts(const TSourceParts& parts) {
  return parts.File + ": " + (parts.Table.empty() ? "" : parts.Table + ": ") + parts.Well;
}

std::vector<std::optional<TResultOrigin>> ResultOrigins(const std::vector<std::string>& paneLines,
                                                        const std::vector<TLoggedResult>& logged) {
  std::vector<std::optional<TResultOrigin>> origins(paneLines.size());
  size_t next = 0;  // the logged lines before it are matched or were removed
  for (size_t i = 0; i < paneLines.size(); ++i) {
    for (size_t j = next; j < logged.size(); ++j) {
      if (logged[j].Line == paneLines[i]) {
        origins[i] = logged[j].Origin;
        next = j + 1;
        break;
      }
    }
  }
  return origins;
}

std::string AnalysisText(const TAnalysis& a) {
  CheckRecord(a.Record);
  Json root = {{"format", std::string(kAnalysisFormat)},
               {"version", kAnalysisVersion},
               {"program", "actinfit " + std::string(kVersion)},
               {"decimalMark", std::string(1, a.DecimalMark)},
               {"data", DataJson(a)},
               {"record", RecordJson(a.Record)},
               {"fields", NamedJson(a.Fields)},
               {"marks", NamedJson(a.Marks)},
               {"labels", NamedJson(a.Labels)},
               {"panes", NamedJson(a.Panes)},
               {"results", ResultsJson(a.ResultOrigins)}};
  Json chart = Json::array();
  for (const auto& [x, y] : a.ErrorChart) chart.push_back({JsonReal(x), JsonReal(y)});
  root["errorChart"] = chart;
  root["refinement"] = a.Refinement ? RefinementSection(*a.Refinement) : Json(nullptr);
  root[kReportSection] = a.Statistics ? StatisticsSection(*a.Statistics) : Json(nullptr);
  root["refined"] = a.Refined ? RefinedJson(*a.Refined) : Json(nullptr);
  if (a.Readouts) {
    root["readouts"] = {{"cc", JsonReal(a.Readouts->Constants.Cc)},
                        {"kplus", JsonReal(a.Readouts->Constants.KPlus)},
                        {"trace", TraceReadoutsSection(a.Readouts->Trace)}};
  }
  if (a.Series) root["series"] = SeriesSection(*a.Series);
  for (const auto& [key, value] : a.Sections.items()) {
    if (!OwnSection(key)) root[key] = value;
  }
  return JsonText(root);
}

TAnalysis ParseAnalysis(std::string_view text) {
  Json json;
  try {
    json = Json::parse(text.begin(), text.end());
  } catch (const Json::parse_error& error) {
    throw Error("It is damaged or cut short: it is not valid JSON (at byte " +
                std::to_string(error.byte) + ")");
  }
  const TJsonPlace root(json, "the file");
  CheckKind(root);
  TAnalysis a;
  try {
    a.DecimalMark = ReadDecimalMark(root["decimalMark"]);
    ReadData(root["data"], a);
    ReadRecord(root["record"], a.Record);
    a.Fields = ReadNamedTexts(root["fields"]);
    a.Marks = ReadNamedMarks(root["marks"]);
    a.Labels = ReadNamedTexts(root["labels"]);
    a.Panes = ReadNamedTexts(root["panes"]);
    a.ResultOrigins = ReadOrigins(root["results"]);
    a.ErrorChart = ReadPoints(root["errorChart"]);
    if (!root["refinement"].IsNull()) a.Refinement = ReadRefinementSection(root["refinement"]);
    if (!root[kReportSection].IsNull()) a.Statistics = ReadStatisticsSection(root[kReportSection]);
    if (!root["refined"].IsNull()) a.Refined = ReadRefined(root["refined"]);
    if (root.Has("readouts")) {
      const TJsonPlace readouts = root["readouts"];
      a.Readouts = TSavedReadouts{{readouts["cc"].Real(), readouts["kplus"].Real()},
                                  ReadTraceReadoutsSection(readouts["trace"])};
    }
    if (root.Has("series")) a.Series = ReadSeriesSection(root["series"]);
  } catch (const Error& error) {
    throw Error(std::string("It is damaged: ") + error.what());
  }
  for (const auto& [key, value] : json.items()) {
    if (!OwnSection(key)) a.Sections[key] = value;
  }
  return a;
}

}  // namespace actinfit
