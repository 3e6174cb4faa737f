// The profile intervals of a refinement in the batch program's output: low/high columns with
// their at-bound flags per quantity, and an `intervals` object for the JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "core/profile.h"

namespace actinfit::batch {

// The header fields, each after a tab: per quantity X (BFluo, Knuc, Kon, Koff, KnucKon,
// KoffKon) X_low, X_high, X_low_at_bound, X_high_at_bound.
std::string IntervalHeader();

// How many fields IntervalHeader adds.
int IntervalColumns();

// The fields of one result, each after a tab: the ends in the result line's style, the flags
// 1 or 0; empty for a quantity without an interval (not profiled, or stopped before it).
std::string IntervalFields(const TProfileResult& profile);

// One interval's four fields, each behind a tab: low, high (shortest exact form) and the two
// at-bound flags; four empty fields without an interval.
std::string IntervalCells(const std::optional<TInterval>& interval);

// What a result line's message column says about the intervals: the notes of the profiles cut
// short, "Kon: cut short below ...", joined by "; ".
std::string IntervalNotes(const TProfileResult& profile);

// The allowed values as pieces ([[low, high], ...], one piece when the interval is whole) and
// whether each end is a jump across the threshold, added to an interval's JSON object.
void AddShapeJson(nlohmann::ordered_json& object, const TInterval& interval,
                  const TIntervalShape& shape);

// Every quantity with its interval, status, note and profile curve, and the threshold.
nlohmann::ordered_json IntervalsJson(const TProfileResult& profile);

}  // namespace actinfit::batch
