#include "core/analysis_findings.h"

#include <array>
#include <utility>

#include "core/json_text.h"

namespace actinfit {

using Json = nlohmann::ordered_json;

Json FailuresSection(const TTrialFailures& failures) {
  return {{"trials", failures.Trials},
          {"overflow", failures.Overflow},
          {"zeroDivide", failures.ZeroDivide},
          {"invalid", failures.Invalid},
          {"first", failures.First}};
}

TTrialFailures ReadFailuresSection(const TJsonPlace& place) {
  TTrialFailures failures;
  if (place.IsNull()) return failures;
  failures.Trials = place["trials"].Integer();
  failures.Overflow = place["overflow"].Integer();
  failures.ZeroDivide = place["zeroDivide"].Integer();
  failures.Invalid = place["invalid"].Integer();
  failures.First = place["first"].Text();
  return failures;
}

Json DtCheckSection(const std::optional<TDtCheck>& check) {
  if (!check) return nullptr;
  Json moves = Json::array();
  for (const TDtMove& move : check->Moves) {
    moves.push_back({{"name", move.Name},
                     {"value", JsonReal(move.Value)},
                     {"halfValue", JsonReal(move.HalfValue)},
                     {"stdError", JsonReal(move.StdError)}});
  }
  return {{"dt", JsonReal(check->Dt)},
          {"error", JsonReal(check->Error)},
          {"halfError", JsonReal(check->HalfError)},
          {"moves", moves}};
}

std::optional<TDtCheck> ReadDtCheckSection(const TJsonPlace& place) {
  if (place.IsNull()) return std::nullopt;
  TDtCheck check{place["dt"].Real(), place["error"].Real(), place["halfError"].Real(), {}};
  for (size_t i = 0; i < place["moves"].Size(); ++i) {
    const TJsonPlace move = place["moves"][i];
    check.Moves.push_back({move["name"].Text(), move["value"].Real(), move["halfValue"].Real(),
                           move["stdError"].Real()});
  }
  return check;
}

Json TraceShapeSection(const TTraceShape& shape) {
  return {{"rise", static_cast<int>(shape.Rise)},
          {"change", JsonReal(shape.Change)},
          {"noise", JsonReal(shape.Noise)}};
}

TTraceShape ReadTraceShapeSection(const TJsonPlace& place) {
  if (place.IsNull()) return {TRise::Rises, 0, 0};
  const int32_t rise = place["rise"].Integer();
  if (rise < 0 || rise > static_cast<int32_t>(TRise::Falls)) place["rise"].Refuse("is no shape");
  return {static_cast<TRise>(rise), place["change"].Real(), place["noise"].Real()};
}

namespace {

// The readouts' numbers by their names in the file, in the order they are written.
constexpr std::array<std::pair<const char*, double TReadouts::*>, 13> kReadoutNumbers = {{
    {"baseline", &TReadouts::Baseline},
    {"plateau", &TReadouts::Plateau},
    {"amplitude", &TReadouts::Amplitude},
    {"noise", &TReadouts::Noise},
    {"tHalf", &TReadouts::THalf},
    {"tHalfSE", &TReadouts::THalfSE},
    {"maxSlope", &TReadouts::MaxSlope},
    {"maxSlopeSE", &TReadouts::MaxSlopeSE},
    {"tMaxSlope", &TReadouts::TMaxSlope},
    {"lagTime", &TReadouts::LagTime},
    {"slopeAtHalf", &TReadouts::SlopeAtHalf},
    {"slopeAtHalfSE", &TReadouts::SlopeAtHalfSE},
    {"windowWidth", &TReadouts::WindowWidth},
}};

}  // namespace

Json TraceReadoutsSection(const TReadouts& readouts) {
  Json section = {{"ok", readouts.Ok}, {"message", readouts.Message}};
  for (const auto& [name, member] : kReadoutNumbers) {
    section[name] = JsonReal(readouts.*member);
  }
  return section;
}

TReadouts ReadTraceReadoutsSection(const TJsonPlace& place) {
  TReadouts readouts;
  readouts.Ok = place["ok"].Bool();
  readouts.Message = place["message"].Text();
  for (const auto& [name, member] : kReadoutNumbers) {
    readouts.*member = place[name].Real();
  }
  return readouts;
}

Json IntervalShapesSection(std::span<const TIntervalShape> shapes) {
  Json list = Json::array();
  for (const TIntervalShape& shape : shapes) {
    Json pieces = Json::array();
    for (const auto& [low, high] : shape.Pieces) pieces.push_back({JsonReal(low), JsonReal(high)});
    list.push_back({{"pieces", pieces}, {"lowJump", shape.LowJump}, {"highJump", shape.HighJump}});
  }
  return list;
}

void ReadIntervalShapesSection(const TJsonPlace& place, std::span<TIntervalShape> shapes) {
  if (place.IsNull()) return;
  place.CheckSize(shapes.size());
  for (size_t q = 0; q < shapes.size(); ++q) {
    const TJsonPlace shape = place[q];
    for (size_t i = 0; i < shape["pieces"].Size(); ++i) {
      const TJsonPlace piece = shape["pieces"][i];
      piece.CheckSize(2);
      shapes[q].Pieces.emplace_back(piece[size_t{0}].Real(), piece[size_t{1}].Real());
    }
    shapes[q].LowJump = shape["lowJump"].Bool();
    shapes[q].HighJump = shape["highJump"].Bool();
  }
}

std::array<TIntervalShape, kProfileQuantities> ReadIntervalShapesSection(const TJsonPlace& place) {
  std::array<TIntervalShape, kProfileQuantities> shapes{};
  ReadIntervalShapesSection(place, shapes);
  return shapes;
}

}  // namespace actinfit
