#include "batch/readouts.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "batch/output.h"
#include "core/numtext.h"

namespace actinfit::batch {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// In the order of the columns after trace and g_actin.
constexpr const char* kReadoutNames[] = {
    "baseline",      "plateau",      "amplitude",   "t_half",   "t_half_se",
    "max_slope",     "max_slope_se", "t_max_slope", "lag_time", "elongation_rate_uM_s",
    "barbed_ends_nM"};

std::array<double, std::size(kReadoutNames)> ReadoutValues(const TTraceReadouts& result) {
  const TReadouts& r = result.readouts;
  return {r.Baseline,
          r.Plateau,
          r.Amplitude,
          r.THalf,
          r.THalfSE,
          r.MaxSlope,
          r.MaxSlopeSE,
          r.TMaxSlope,
          r.LagTime,
          result.actin.ElongationRate,
          result.actin.BarbedEnds};
}

// Empty for a number there is not.
std::string Cell(double value) {
  return std::isfinite(value) ? ShortestReal(value) : std::string();
}

std::string Joined(const std::string& a, const std::string& b) {
  return a.empty() ? b : b.empty() ? a : a + " " + b;
}

// The traces of one file: their G-actin and readouts, for its scaling.
struct TFileGroup {
  std::string file;
  std::vector<double> gActin;
  std::vector<TReadouts> readouts;
};

void WriteScaling(const TFileGroup& group, const TBatchOptions& options, bool& first) {
  const auto scaling = ReadoutScaling(group.gActin, group.readouts);
  if (!scaling) return;
  if (options.json) {
    WriteStandardOutput(",\n" + ScalingJson(group.file, *scaling).dump());
  } else {
    std::fprintf(stderr, "%s: %s\n", group.file.c_str(), ScalingSentence(*scaling).c_str());
  }
  first = false;
}

}  // namespace

TTraceReadouts ReadTrace(const TTrace& trace, const TBatchOptions& options) {
  TTraceReadouts result{kNaN, {}, {}, trace.failure};
  if (!trace.failure.empty()) {
    result.readouts = TraceReadouts({}, {});
    result.actin = ActinReadouts(result.readouts, kNaN, options.readoutConstants);
    return result;
  }
  // The G-actin of the record the other methods build for the trace.
  result.gActin = MakeModel(trace, options.settings).Init[0];
  result.readouts = TraceReadouts(trace.time, trace.readings);
  result.actin = ActinReadouts(result.readouts, result.gActin, options.readoutConstants);
  result.message =
      result.readouts.Ok
          ? Joined(result.readouts.Message, result.actin.Ok ? std::string() : result.actin.Message)
          : result.readouts.Message;
  return result;
}

std::string ReadoutTsvHeader() {
  std::string line = "trace\tg_actin";
  for (const char* name : kReadoutNames) line += std::string("\t") + name;
  return line + "\tmessage\n";
}

std::string ReadoutTsvLine(const TTrace& trace, const TTraceReadouts& result) {
  std::string line = trace.name;
  const auto add = [&line](const std::string& cell) {
    line += '\t';
    line += cell;
  };
  add(Cell(result.gActin));
  for (const double value : ReadoutValues(result)) add(Cell(value));
  add(result.message);
  line += '\n';
  return line;
}

nlohmann::ordered_json ReadoutJson(const TTrace& trace, const TTraceReadouts& result) {
  nlohmann::ordered_json object;
  object["trace"] = trace.name;
  object["g_actin"] = std::isfinite(result.gActin) ? nlohmann::ordered_json(result.gActin)
                                                   : nlohmann::ordered_json();
  object["ok"] = result.readouts.Ok;
  object["message"] = result.message;
  nlohmann::ordered_json readouts = nlohmann::ordered_json::object();
  const auto values = ReadoutValues(result);
  for (std::size_t k = 0; k < values.size(); ++k) {
    readouts[kReadoutNames[k]] =
        std::isfinite(values[k]) ? nlohmann::ordered_json(values[k]) : nlohmann::ordered_json();
  }
  object["readouts"] = std::move(readouts);
  return object;
}

nlohmann::ordered_json ScalingJson(const std::string& file, const TReadoutScaling& scaling) {
  const auto number = [](double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json();
  };
  nlohmann::ordered_json object;
  object["file"] = file;
  object["scaling"] = {{"t_half_exponent", number(scaling.THalf.Exponent)},
                       {"t_half_exponent_se", number(scaling.THalf.StdError)},
                       {"max_slope_exponent", number(scaling.MaxSlope.Exponent)},
                       {"max_slope_exponent_se", number(scaling.MaxSlope.StdError)}};
  return object;
}

int RunReadouts(const std::vector<TTrace>& traces, const TBatchOptions& options) {
  WriteStandardOutput(options.json ? "[" : ReadoutTsvHeader());
  bool first = true, anyFailed = false;
  TFileGroup group;
  for (const TTrace& trace : traces) {
    if (trace.file != group.file) {
      WriteScaling(group, options, first);
      group = {trace.file, {}, {}};
    }
    const TTraceReadouts result = ReadTrace(trace, options);
    anyFailed = anyFailed || !trace.failure.empty();
    if (!trace.failure.empty()) std::fprintf(stderr, "%s\n", trace.failure.c_str());
    group.gActin.push_back(result.gActin);
    group.readouts.push_back(result.readouts);
    WriteStandardOutput(options.json ? (first ? "\n" : ",\n") + ReadoutJson(trace, result).dump()
                                     : ReadoutTsvLine(trace, result));
    first = false;
  }
  WriteScaling(group, options, first);
  if (options.json) WriteStandardOutput(first ? "]\n" : "\n]\n");
  CloseStandardOutput();
  return anyFailed ? 1 : 0;
}

}  // namespace actinfit::batch
