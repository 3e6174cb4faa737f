#include "core/series_analysis.h"

#include <span>

#include "core/analysis_findings.h"
#include "core/analysis_report.h"
#include "core/json_text.h"

namespace actinfit {

namespace {

using Json = nlohmann::ordered_json;

Json SeriesJson(const TSeries& s) {
  Json traces = Json::array();
  for (const TSeriesTrace& t : s.Traces) {
    traces.push_back({{"time", JsonReals(t.Time)},
                      {"readings", JsonReals(t.Data)},
                      {"gActin", JsonReal(t.GActin)},
                      {"tShift", JsonReal(t.TShift)},
                      {"fitTShift", t.FitTShift},
                      {"tShiftMin", JsonReal(t.TShiftMin)},
                      {"tShiftMax", JsonReal(t.TShiftMax)},
                      {"name", t.Name}});
  }
  return {{"traces", traces},
          {"rate", JsonReals(s.Rate)},
          {"rateMin", JsonReals(s.RateMin)},
          {"rateMax", JsonReals(s.RateMax)},
          {"fitRate", JsonBools(s.FitRate)},
          {"dt", JsonReal(s.Dt)},
          {"sharedBrightness", s.Scaling == TScaling::SharedBrightness}};
}

TSeries ReadSeries(const TJsonPlace& place) {
  TSeries s{};
  const TJsonPlace traces = place["traces"];
  for (size_t i = 0; i < traces.Size(); ++i) {
    const TJsonPlace t = traces[i];
    TSeriesTrace trace{t["time"].Reals(),     t["readings"].Reals(), t["gActin"].Real(),
                       t["tShift"].Real(),    t["fitTShift"].Bool(), t["tShiftMin"].Real(),
                       t["tShiftMax"].Real(), t["name"].Text()};
    if (trace.Time.size() != trace.Data.size()) t["readings"].Refuse("does not match the times");
    s.Traces.push_back(std::move(trace));
  }
  s.Rate = place["rate"].RealArray<3>();
  s.RateMin = place["rateMin"].RealArray<3>();
  s.RateMax = place["rateMax"].RealArray<3>();
  s.FitRate = place["fitRate"].BoolArray<3>();
  s.Dt = place["dt"].Real();
  s.Scaling =
      place["sharedBrightness"].Bool() ? TScaling::SharedBrightness : TScaling::AmplitudePerTrace;
  return s;
}

Json FitJson(const TSeriesFit& f) {
  Json intervals = Json::array();
  for (const auto& interval : f.RateInterval) intervals.push_back(IntervalSection(interval));
  return {{"error", JsonReal(f.Error)},
          {"points", f.Points},
          {"parameters", f.Parameters},
          {"rate", JsonReals(f.Rate)},
          {"rateStdError", JsonReals(f.RateStdError)},
          {"rateInterval", intervals},
          {"knucKon", IntervalSection(f.KnucKon)},
          {"koffKon", IntervalSection(f.KoffKon)},
          {"tShift", JsonReals(f.TShift)},
          {"background", JsonReals(f.Background)},
          {"amplitude", JsonReals(f.Amplitude)},
          {"traceError", JsonReals(f.TraceError)},
          {"brightness", JsonReal(f.Brightness)},
          {"starts", f.Starts},
          {"startsReachingBest", f.StartsReachingBest},
          {"stopped", f.Stopped},
          {"shapes", IntervalShapesSection(f.IntervalShape)},
          {"failures", FailuresSection(f.Failures)},
          {"dtCheck", DtCheckSection(f.DtCheck)}};
}

TSeriesFit ReadFit(const TJsonPlace& place, size_t traces) {
  TSeriesFit f{};
  f.Error = place["error"].Real();
  f.Points = place["points"].Integer();
  f.Parameters = place["parameters"].Integer();
  f.Rate = place["rate"].RealArray<3>();
  f.RateStdError = place["rateStdError"].RealArray<3>();
  place["rateInterval"].CheckSize(3);
  for (size_t r = 0; r < 3; ++r) f.RateInterval[r] = ReadIntervalSection(place["rateInterval"][r]);
  f.KnucKon = ReadIntervalSection(place["knucKon"]);
  f.KoffKon = ReadIntervalSection(place["koffKon"]);
  for (const auto& [key, values] : {std::pair{"tShift", &f.TShift},
                                    {"background", &f.Background},
                                    {"amplitude", &f.Amplitude},
                                    {"traceError", &f.TraceError}}) {
    place[key].CheckSize(traces);
    *values = place[key].Reals();
  }
  f.Brightness = place["brightness"].Real();
  f.Starts = place["starts"].Integer();
  f.StartsReachingBest = place["startsReachingBest"].Integer();
  f.Stopped = place["stopped"].Bool();
  // Kept since the report's sentences about them are written from the fit.
  if (place.Has("shapes")) ReadIntervalShapesSection(place["shapes"], f.IntervalShape);
  if (place.Has("failures")) f.Failures = ReadFailuresSection(place["failures"]);
  if (place.Has("dtCheck")) f.DtCheck = ReadDtCheckSection(place["dtCheck"]);
  return f;
}

}  // namespace

nlohmann::ordered_json SeriesSection(const TSavedSeries& s) {
  Json traces = Json::array();
  for (const TSavedSeriesTrace& t : s.Traces) {
    Json trace = {{"source", t.Source},
                  {"time", JsonReals(t.Time)},
                  {"readings", JsonReals(t.Data)},
                  {"cells", t.Cells},
                  {"fitTShift", t.FitTShift}};
    if (t.Readouts) trace["readouts"] = TraceReadoutsSection(*t.Readouts);
    traces.push_back(std::move(trace));
  }
  Json fields = Json::object();
  for (const auto& [name, text] : s.Fields) fields[name] = text;
  Json marks = Json::object();
  for (const auto& [name, mark] : s.Marks) marks[name] = mark;
  Json curves = Json::array();
  for (const auto& curve : s.Curves) curves.push_back(JsonReals(curve));
  return {{"traces", traces},
          {"fields", fields},
          {"marks", marks},
          {"scaling", s.Scaling},
          {"progress", s.Progress},
          {"report", s.Report},
          {"fitted", s.Fitted ? SeriesJson(*s.Fitted) : Json(nullptr)},
          {"fit", s.Fit ? FitJson(*s.Fit) : Json(nullptr)},
          {"curves", curves}};
}

TSavedSeries ReadSeriesSection(const TJsonPlace& place) {
  TSavedSeries s;
  const TJsonPlace traces = place["traces"];
  for (size_t i = 0; i < traces.Size(); ++i) {
    const TJsonPlace t = traces[i];
    TSavedSeriesTrace trace{t["source"].Text(),    t["time"].Reals(),
                            t["readings"].Reals(), {},
                            t["fitTShift"].Bool(), {}};
    if (trace.Time.size() != trace.Data.size()) t["readings"].Refuse("does not match the times");
    for (size_t c = 0; c < t["cells"].Size(); ++c) trace.Cells.push_back(t["cells"][c].Text());
    if (t.Has("readouts")) trace.Readouts = ReadTraceReadoutsSection(t["readouts"]);
    s.Traces.push_back(std::move(trace));
  }
  for (const auto& [name, value] : place["fields"].value().items()) {
    s.Fields.emplace_back(name, place["fields"][name.c_str()].Text());
  }
  for (const auto& [name, value] : place["marks"].value().items()) {
    s.Marks.emplace_back(name, place["marks"][name.c_str()].Bool());
  }
  s.Scaling = place["scaling"].Integer();
  s.Progress = place["progress"].Text();
  s.Report = place["report"].Text();
  if (place["fitted"].IsNull() != place["fit"].IsNull()) place["fit"].Refuse("lacks its series");
  if (!place["fitted"].IsNull()) {
    s.Fitted = ReadSeries(place["fitted"]);
    s.Fit = ReadFit(place["fit"], s.Fitted->Traces.size());
    place["curves"].CheckSize(s.Fitted->Traces.size());
    for (size_t i = 0; i < s.Fitted->Traces.size(); ++i) {
      s.Curves.push_back(place["curves"][i].Reals());
      if (s.Curves.back().size() != s.Fitted->Traces[i].Time.size()) {
        place["curves"][i].Refuse("does not match the times");
      }
    }
  }
  return s;
}

}  // namespace actinfit
