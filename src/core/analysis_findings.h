// What a search found besides its numbers, as sections of an analysis file: the trial points
// that failed, the time step's share, the shape of the readings and the shape of each profile
// interval. Each section may be missing in a file; it then reads as "nothing found".
#pragma once

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>

#include "core/dt_check.h"
#include "core/json_place.h"
#include "core/profile.h"
#include "core/readouts.h"
#include "core/trace_shape.h"
#include "core/trial_failures.h"

namespace actinfit {

nlohmann::ordered_json FailuresSection(const TTrialFailures& failures);
TTrialFailures ReadFailuresSection(const TJsonPlace& place);

nlohmann::ordered_json DtCheckSection(const std::optional<TDtCheck>& check);
std::optional<TDtCheck> ReadDtCheckSection(const TJsonPlace& place);

nlohmann::ordered_json TraceShapeSection(const TTraceShape& shape);
TTraceShape ReadTraceShapeSection(const TJsonPlace& place);

// One trace's readouts, every number and its message, as TraceReadouts left them.
nlohmann::ordered_json TraceReadoutsSection(const TReadouts& readouts);
TReadouts ReadTraceReadoutsSection(const TJsonPlace& place);

nlohmann::ordered_json IntervalShapesSection(std::span<const TIntervalShape> shapes);
// Into `shapes`, as many as it holds (a series has five quantities, a profile seven).
void ReadIntervalShapesSection(const TJsonPlace& place, std::span<TIntervalShape> shapes);
std::array<TIntervalShape, kProfileQuantities> ReadIntervalShapesSection(const TJsonPlace& place);

}  // namespace actinfit
