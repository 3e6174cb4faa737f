#include "batch/settings_checks.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <set>

#include "core/errors.h"
#include "core/model.h"
#include "core/numtext.h"
#include "core/refine.h"

namespace actinfit::batch {

namespace {

std::string Text(double value) {
  return FormatReal(value, FloatStyle::General, 15, 0);
}

bool Searches(TMethod method) {
  return method != TMethod::Calculate;
}

// A concentration given for one column: like the one for all, above 0.
void CheckColumnGActin(const TSettings& settings) {
  for (const auto& [column, given] : settings.gActinOf) {
    if (!(given.uM > 0)) {
      throw EInvalidInput(given.where + ": G-actin " + Text(given.uM) +
                          ": the concentration must be above 0");
    }
  }
}

// Settings that name something the method never reads.
void CheckUsed(const TSettings& settings, TMethod method) {
  if (method == TMethod::Global && !settings.gActinFrom.empty()) {
    throw EInvalidInput(settings.gActinFrom +
                        ": --method global takes each trace's G-actin from --g-actin-of, the "
                        "[g-actin] table of --config, --plate-map or the well's header, never "
                        "one for all");
  }
  if (method != TMethod::Global && !settings.gActinOf.empty()) {
    throw EInvalidInput(settings.gActinOf.begin()->second.where +
                        ": the G-actin of single columns needs --method global");
  }
}

void CheckSeriesMarks(const TBatchOptions& options) {
  const TSettings& settings = options.settings;
  bool anyRate = false;
  for (const int32_t k : {Knuc, Kon, Koff}) anyRate |= settings.params[static_cast<size_t>(k)].fit;
  if (!anyRate) {
    throw EInvalidInput(
        "--method global: no rate is marked for fitting (Knuc, Kon and Koff are "
        "all fixed)");
  }
  if (options.fitTShift) {
    const TParamSetting& shift = settings.params[TShift];
    CheckBounds(TShift, shift.min, shift.max);
  }
}

double LowestShiftOf(const TBatchOptions& options) {
  const TParamSetting& shift = options.settings.params[TShift];
  const bool searched =
      options.method == TMethod::Global ? options.fitTShift : shift.fit && Searches(options.method);
  return LowestShift(shift.value, shift.min, searched);
}

double LastTimeOf(const TTrace& trace) {
  double lastTime = -std::numeric_limits<double>::infinity();
  for (const double time : trace.time) lastTime = std::fmax(lastTime, time);
  return lastTime;
}

}  // namespace

void CheckSettings(const TBatchOptions& options) {
  const TSettings& settings = options.settings;
  CheckUsed(settings, options.method);
  if (!(settings.gActin > 0)) {
    throw EInvalidInput("G-actin " + Text(settings.gActin) + ": the concentration must be above 0");
  }
  CheckColumnGActin(settings);
  if (!(settings.dt > 0)) {
    throw EInvalidInput("dt " + Text(settings.dt) + ": the time step must be above 0");
  }
  if (!Searches(options.method)) return;
  for (int32_t k = 0; k < kParamCount; ++k) {
    const TParamSetting& param = settings.params[static_cast<size_t>(k)];
    if (param.fit) CheckBounds(k, param.min, param.max);
  }
  if (options.method == TMethod::Global) CheckSeriesMarks(options);
}

void CheckTraceSteps(const TTrace& trace, const TBatchOptions& options) {
  if (trace.time.empty()) return;
  CheckStepCount(LowestShiftOf(options), LastTimeOf(trace), options.settings.dt);
}

void CheckStepCounts(const std::vector<TTrace>& traces, const TBatchOptions& options) {
  const TTrace* longest = nullptr;
  for (const TTrace& trace : traces) {
    if (trace.time.empty()) continue;
    try {
      CheckTraceSteps(trace, options);
      return;  // a trace some run can use
    } catch (const EInvalidInput&) {
      if (longest == nullptr || LastTimeOf(trace) > LastTimeOf(*longest)) longest = &trace;
    }
  }
  if (longest == nullptr) return;
  try {
    CheckTraceSteps(*longest, options);
  } catch (const EInvalidInput& error) {
    throw EInvalidInput(longest->name + ": " + error.what());
  }
}

void CheckSelection(const std::vector<TTrace>& traces) {
  const bool noneChosen = std::all_of(traces.begin(), traces.end(),
                                      [](const TTrace& trace) { return trace.nothingChosen; });
  if (noneChosen && !traces.empty()) throw EInvalidInput(traces.front().failure);
}

void CheckOneGActinUsed(const std::vector<TTrace>& traces, const TBatchOptions& options) {
  if (options.method == TMethod::Global || options.settings.gActinFrom.empty()) return;
  for (const TTrace& trace : traces) {
    if (!trace.failure.empty() || !trace.gActin) return;
  }
  throw EInvalidInput(options.settings.gActinFrom +
                      ": every well has its own G-actin, from --plate-map or its header; none "
                      "would use this one");
}

void CheckColumnNames(const std::vector<TTrace>& traces, const TSettings& settings) {
  for (const TTrace& trace : traces) {
    if (!trace.failure.empty()) return;  // a file not read: its columns are unknown
  }
  for (const auto& [column, given] : settings.gActinOf) {
    const bool named = std::any_of(traces.begin(), traces.end(), [&](const TTrace& trace) {
      return trace.column == column || trace.well == column ||
             std::to_string(trace.number) == column;
    });
    if (named) continue;
    std::string columns;
    for (const TTrace& trace : traces) {
      if (trace.file != traces.front().file) break;
      columns += (columns.empty() ? "" : ", ") + trace.column;
    }
    throw EInvalidInput(given.where + ": no readings column has this header or number (" +
                        traces.front().file + " has " + columns + ")");
  }
}

void CheckDistinctFiles(const std::vector<std::string>& files) {
  std::set<std::filesystem::path> seen;
  for (const std::string& file : files) {
    std::error_code failed;
    std::filesystem::path path = std::filesystem::weakly_canonical(file, failed);
    if (failed) path = file;
    if (!seen.insert(path).second) {
      throw EInvalidInput(file + ": named twice; each file is read once, as its own traces");
    }
  }
}

}  // namespace actinfit::batch
