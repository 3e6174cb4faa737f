// The last refinement, its statistics and its profile as sections of an analysis file: every
// member, so that the report opens as it was and a profile can go on from the refined result.
#pragma once

#include <nlohmann/json.hpp>

#include "core/fit_statistics.h"
#include "core/json_place.h"
#include "core/refine.h"

namespace actinfit {

// A profile interval, or null.
nlohmann::ordered_json IntervalSection(const std::optional<TInterval>& interval);
std::optional<TInterval> ReadIntervalSection(const TJsonPlace& place);

nlohmann::ordered_json RefinementSection(const TRefinement& refinement);
TRefinement ReadRefinementSection(const TJsonPlace& place);

nlohmann::ordered_json StatisticsSection(const TFitStatistics& statistics);
TFitStatistics ReadStatisticsSection(const TJsonPlace& place);

}  // namespace actinfit
