#include "batch/global.h"

#include <algorithm>
#include <cmath>

#include "batch/intervals.h"
#include "batch/messages.h"
#include "batch/output.h"
#include "core/defaults.h"
#include "core/errors.h"
#include "core/fit_report.h"
#include "core/numtext.h"
#include "core/series_curves.h"
#include "core/trace_shape.h"

namespace actinfit::batch {

namespace {

// The shortest exact form, as every method writes its numbers; empty where there is none.
std::string Number(double value) {
  return std::isfinite(value) ? ShortestReal(value) : std::string();
}

void AddField(std::string& line, const std::string& field) {
  line += '\t';
  line += field;
}

constexpr const char* kIntervalNames[] = {"Knuc", "Kon", "Koff", "KnucKon", "KoffKon"};
constexpr int32_t kColumns = 10 + 4 * 5 + 2;  // every column, the trace name's too

nlohmann::ordered_json IntervalJson(const std::optional<TInterval>& interval,
                                    const TIntervalShape& shape) {
  if (!interval) return nullptr;
  nlohmann::ordered_json object = {{"low", interval->Low},
                                   {"high", interval->High},
                                   {"low_at_bound", interval->LowAtBound},
                                   {"high_at_bound", interval->HighAtBound}};
  AddShapeJson(object, *interval, shape);
  return object;
}

// The intervals that are not one piece, or end in a jump, in words (the message column).
std::string SeriesShapeText(const TSeriesFit& fit) {
  std::string text;
  for (size_t q = 0; q < std::size(kIntervalNames); ++q) {
    const std::optional<TInterval>& interval =
        q < 3 ? fit.RateInterval[q] : (q == 3 ? fit.KnucKon : fit.KoffKon);
    if (!interval) continue;
    const std::string shape =
        IntervalShapeText(kIntervalNames[q], fit.IntervalShape[q], interval->Low, interval->High);
    if (shape.empty()) continue;
    text += (text.empty() ? "" : " ") + shape;
  }
  return text;
}

nlohmann::ordered_json Nullable(double value) {
  return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

TSeries MakeSeries(const std::vector<TTrace>& traces, const TBatchOptions& options) {
  const TSettings& settings = options.settings;
  TSeries series{};
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    const TParamSetting& param = settings.params[static_cast<size_t>(Knuc + r)];
    series.Rate[r] = param.value;
    series.RateMin[r] = param.min;
    series.RateMax[r] = param.max;
    series.FitRate[r] = param.fit;
  }
  series.Dt = settings.dt;
  series.Scaling = options.scaling;
  const TParamSetting& shift = settings.params[TShift];
  for (const TTrace& trace : traces) {
    TSeriesTrace t;
    // Through the record of one trace, so that times are held as the window's Apply holds them.
    const TModel model = MakeModel(trace, settings);
    t.Time = model.Time;
    t.Data = model.Data;
    t.GActin = TraceGActin(trace, settings);
    t.TShift = shift.value;
    t.FitTShift = options.fitTShift;
    t.TShiftMin = shift.min;
    t.TShiftMax = shift.max;
    t.Name = trace.name;
    series.Traces.push_back(std::move(t));
  }
  return series;
}

}  // namespace

std::vector<std::vector<TTrace>> TracesBySeries(const std::vector<TTrace>& traces) {
  std::vector<std::vector<TTrace>> series;
  for (const TTrace& trace : traces) {
    if (series.empty() || series.back().front().series != trace.series) series.emplace_back();
    series.back().push_back(trace);
  }
  return series;
}

double TraceGActin(const TTrace& trace, const TSettings& settings) {
  for (const std::string& key : {trace.column, trace.well, std::to_string(trace.number)}) {
    if (const auto given = settings.gActinOf.find(key); given != settings.gActinOf.end()) {
      return given->second.uM;
    }
  }
  if (trace.gActin) return *trace.gActin;
  throw EInvalidInput(trace.name +
                      ": no G-actin: its header names no concentration (\"1.5 uM\"); give it "
                      "with --g-actin-of COLUMN=UM or in the [g-actin] table of --config");
}

TGlobalResult RunGlobal(const std::vector<TTrace>& traces, const TBatchOptions& options,
                        int32_t threads, TProgress& progress) {
  TGlobalResult result;
  try {
    // A column without a reading ends the series with the reader's words, which name it.
    for (const TTrace& trace : traces) {
      if (!trace.failure.empty()) throw EInvalidInput(trace.failure);
    }
    result.series = MakeSeries(traces, options);
    result.series->Threads = threads;
    const std::string name = traces.front().series;
    const SeriesReport report = [&](const TSeriesProgress& at) {
      progress.Detail(name + ": start " + std::to_string(std::min(at.StartsDone + 1, at.Starts)) +
                      " of " + std::to_string(at.Starts) + ", best error " +
                      FormatReal(at.BestError, FloatStyle::General, 6, 0));
      return true;
    };
    std::string failure;
    result.fit = FitSeries(*result.series, report, failure, true);
    if (!failure.empty()) throw Error(failure);
  } catch (const std::exception& error) {
    result.failure = UserMessage(error);
    result.fit.reset();
  }
  return result;
}

int32_t SeriesThreads(const TBatchOptions& options, size_t series) {
  const auto atOnce = static_cast<int32_t>(std::min<size_t>(series, 4096));
  return std::max(1, options.jobs / std::max(1, atOnce));
}

std::string GlobalTsvHeader() {
  std::string line =
      "trace\tg_actin\terror\tKnuc\tKon\tKoff\tTShift\tbackground\tamplitude\tbrightness";
  for (const char* name : kIntervalNames) {
    for (const char* field : {"_low", "_high", "_low_at_bound", "_high_at_bound"}) {
      line += '\t';
      line += name;
      line += field;
    }
  }
  return line + "\tfailed_trials\tmessage\n";
}

std::string GlobalTsvLines(const std::vector<TTrace>& traces, const TGlobalResult& result) {
  const std::string file = TsvCell(traces.front().series);
  if (!result.fit) {
    return file + std::string(kColumns - 1, '\t') + TsvCell(result.failure) + '\n';
  }
  const TSeriesFit& fit = *result.fit;
  std::string lines;
  for (size_t i = 0; i < traces.size(); ++i) {
    lines += TsvCell(traces[i].name);
    AddField(lines, Number(result.series->Traces[i].GActin));
    AddField(lines, Number(fit.TraceError[i]));
    lines.append(3, '\t');
    AddField(lines, Number(fit.TShift[i]));
    AddField(lines, Number(fit.Background[i]));
    AddField(lines, Number(fit.Amplitude[i]));
    lines.append(1 + 4 * 5 + 2, '\t');
    lines += TraceShapeSentence(TraceShape(result.series->Traces[i].Data), "The trace") + '\n';
  }
  lines += file + '\t';
  AddField(lines, Number(fit.Error));
  for (const double rate : fit.Rate) AddField(lines, Number(rate));
  lines.append(3, '\t');
  AddField(lines, Number(fit.Brightness));
  for (const auto& interval : fit.RateInterval) lines += IntervalCells(interval);
  lines += IntervalCells(fit.KnucKon) + IntervalCells(fit.KoffKon);
  AddField(lines, std::to_string(fit.Failures.Failed()));
  std::string message = TrialFailuresSentence(fit.Failures);
  const std::string warning = fit.DtCheck ? DtCheckWarning(*fit.DtCheck) : std::string();
  for (const std::string& part : {warning, SeriesShapeText(fit)}) {
    if (!part.empty()) message += (message.empty() ? "" : " ") + part;
  }
  AddField(lines, message);
  return lines + '\n';
}

nlohmann::ordered_json GlobalJson(const std::vector<TTrace>& traces, const TGlobalResult& result,
                                  const TBatchOptions& options) {
  nlohmann::ordered_json object;
  object["file"] = traces.front().file;
  if (traces.front().series != traces.front().file) {
    object["table"] = traces.front().series.substr(traces.front().file.size() + 1);
  }
  object["method"] = "global";
  object["scaling"] = options.scaling == TScaling::SharedBrightness ? "brightness" : "amplitude";
  object["fit_tshift"] = options.fitTShift;
  object["dt"] = options.settings.dt;
  object["ok"] = result.failure.empty();
  if (result.fit) {
    const TSeriesFit& fit = *result.fit;
    object["error"] = fit.Error;
    object["points"] = fit.Points;
    object["parameters"] = fit.Parameters;
    nlohmann::ordered_json rates = nlohmann::ordered_json::object();
    for (int32_t r = 0; r < kSeriesRates; ++r) {
      rates[ParamName(Knuc + r)] = {
          {"value", fit.Rate[r]},
          {"std_error", Nullable(fit.RateStdError[r])},
          {"fitted", result.series->FitRate[r]},
          {"min", result.series->RateMin[r]},
          {"max", result.series->RateMax[r]},
          {"interval", IntervalJson(fit.RateInterval[r], fit.IntervalShape[r])}};
    }
    object["rates"] = std::move(rates);
    object["KnucKon"] = {{"value", fit.Rate[0] * fit.Rate[1]},
                         {"interval", IntervalJson(fit.KnucKon, fit.IntervalShape[3])}};
    object["KoffKon"] = {{"value", fit.Rate[2] / fit.Rate[1]},
                         {"interval", IntervalJson(fit.KoffKon, fit.IntervalShape[4])}};
    object["brightness"] = Nullable(fit.Brightness);
    object["starts"] = fit.Starts;
    object["starts_reaching_best"] = fit.StartsReachingBest;
    object["failed_trials"] = FailedTrialsJson(fit.Failures);
    object["dt_check"] = DtCheckJson(fit.DtCheck);
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (size_t i = 0; i < traces.size(); ++i) {
      list.push_back({{"trace", traces[i].name},
                      {"column", traces[i].column},
                      {"points", result.series->Traces[i].Data.size()},
                      {"g_actin", result.series->Traces[i].GActin},
                      {"tshift", fit.TShift[i]},
                      {"background", fit.Background[i]},
                      {"amplitude", fit.Amplitude[i]},
                      {"error", fit.TraceError[i]},
                      {"message", TraceShapeSentence(TraceShape(result.series->Traces[i].Data),
                                                     "The trace")}});
    }
    object["traces"] = std::move(list);
  }
  if (!result.failure.empty()) object["message"] = result.failure;
  return object;
}

}  // namespace actinfit::batch
