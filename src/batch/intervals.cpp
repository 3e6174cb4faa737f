#include "batch/intervals.h"

#include <cmath>

#include "core/numtext.h"

namespace actinfit::batch {

namespace {

// The quantities in the order of the columns, and their names there.
struct TQuantityName {
  int32_t index;
  const char* name;
};
constexpr TQuantityName kQuantities[] = {
    {BFluo, "BFluo"},
    {Knuc, "Knuc"},
    {Kon, "Kon"},
    {Koff, "Koff"},
    {kProfileKnucKon, "KnucKon"},
    {kProfileKoffKon, "KoffKon"},
};
constexpr const char* kFields[] = {"_low", "_high", "_low_at_bound", "_high_at_bound"};

const std::optional<TInterval>& IntervalOf(const TProfileResult& profile, int32_t quantity) {
  if (quantity == kProfileKnucKon) return profile.KnucKon;
  if (quantity == kProfileKoffKon) return profile.KoffKon;
  return profile.Param[static_cast<size_t>(quantity)];
}

const char* StatusName(TProfileStatus status) {
  switch (status) {
    case TProfileStatus::NotProfiled:
      return "not profiled";
    case TProfileStatus::Done:
      return "done";
    case TProfileStatus::CutShort:
      return "cut short";
    case TProfileStatus::Unfinished:
      return "unfinished";
  }
  return "?";
}

}  // namespace

std::string IntervalHeader() {
  std::string header;
  for (const TQuantityName& q : kQuantities) {
    for (const char* field : kFields) {
      header += '\t';
      header += q.name;
      header += field;
    }
  }
  return header;
}

int IntervalColumns() {
  return static_cast<int>(std::size(kQuantities) * std::size(kFields));
}

std::string IntervalFields(const TProfileResult& profile) {
  std::string fields;
  for (const TQuantityName& q : kQuantities) fields += IntervalCells(IntervalOf(profile, q.index));
  return fields;
}

std::string IntervalCells(const std::optional<TInterval>& interval) {
  if (!interval) return std::string(std::size(kFields), '\t');
  std::string fields = '\t' + ShortestReal(interval->Low) + '\t' + ShortestReal(interval->High);
  fields += interval->LowAtBound ? "\t1" : "\t0";
  fields += interval->HighAtBound ? "\t1" : "\t0";
  return fields;
}

std::string IntervalNotes(const TProfileResult& profile) {
  std::string notes;
  for (const TQuantityName& q : kQuantities) {
    const std::string& note = profile.Note[static_cast<size_t>(q.index)];
    if (note.empty()) continue;
    if (!notes.empty()) notes += "; ";
    notes += std::string(q.name) + ": " + note;
  }
  return notes;
}

void AddShapeJson(nlohmann::ordered_json& object, const TInterval& interval,
                  const TIntervalShape& shape) {
  nlohmann::ordered_json pieces = nlohmann::ordered_json::array();
  if (shape.Pieces.empty()) pieces.push_back({interval.Low, interval.High});
  for (const auto& [low, high] : shape.Pieces) pieces.push_back({low, high});
  object["pieces"] = std::move(pieces);
  object["low_jump"] = shape.LowJump;
  object["high_jump"] = shape.HighJump;
}

nlohmann::ordered_json IntervalsJson(const TProfileResult& profile) {
  nlohmann::ordered_json object;
  for (const TQuantityName& q : kQuantities) {
    const auto at = static_cast<size_t>(q.index);
    nlohmann::ordered_json quantity;
    quantity["status"] = StatusName(profile.Status[at]);
    if (const std::optional<TInterval>& interval = IntervalOf(profile, q.index)) {
      quantity["low"] = interval->Low;
      quantity["high"] = interval->High;
      quantity["low_at_bound"] = interval->LowAtBound;
      quantity["high_at_bound"] = interval->HighAtBound;
      AddShapeJson(quantity, *interval, profile.Shape[at]);
    }
    if (!profile.Note[at].empty()) quantity["note"] = profile.Note[at];
    if (!profile.Curve[at].Value.empty()) {
      quantity["curve"] = {{"value", profile.Curve[at].Value}, {"ssr", profile.Curve[at].SSR}};
    }
    object[q.name] = std::move(quantity);
  }
  object["ssr_min"] = profile.SSRMin;
  object["threshold"] = profile.Threshold;
  object["points"] = profile.Points;
  object["parameters"] = profile.Parameters;
  object["best_moved"] = profile.BestMoved;
  return object;
}

}  // namespace actinfit::batch
