#include "batch/settings_checks.h"

#include <cmath>
#include <limits>

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
  return method != TMethod::Calculate && method != TMethod::Readouts;
}

}  // namespace

void CheckSettings(const TSettings& settings, TMethod method) {
  if (!(settings.gActin > 0)) {
    throw EInvalidInput("G-actin " + Text(settings.gActin) + ": the concentration must be above 0");
  }
  if (!(settings.dt > 0)) {
    throw EInvalidInput("dt " + Text(settings.dt) + ": the time step must be above 0");
  }
  if (!Searches(method)) return;
  for (int32_t k = 0; k < kParamCount; ++k) {
    const TParamSetting& param = settings.params[static_cast<size_t>(k)];
    if (param.fit) CheckBounds(k, param.min, param.max);
  }
}

void CheckStepCounts(const std::vector<TTrace>& traces, const TBatchOptions& options) {
  const TParamSetting& shift = options.settings.params[TShift];
  const double start = LowestShift(shift.value, shift.min, shift.fit && Searches(options.method));
  const TTrace* longest = nullptr;
  double lastTime = -std::numeric_limits<double>::infinity();
  for (const TTrace& trace : traces) {
    for (const double time : trace.time) {
      if (time > lastTime) {
        lastTime = time;
        longest = &trace;
      }
    }
  }
  if (longest == nullptr) return;
  try {
    CheckStepCount(start, lastTime, options.settings.dt);
  } catch (const EInvalidInput& error) {
    throw EInvalidInput(longest->name + ": " + error.what());
  }
}

}  // namespace actinfit::batch
