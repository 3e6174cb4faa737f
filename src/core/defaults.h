// The five parameters' names and units, and the values the window starts with. The window shows
// the texts as they are; the batch program and the tests read them as the window does, so all
// three start from the same numbers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/model.h"

namespace actinfit {

// In parameter order: the names of messages, reports, --param and settings files.
inline constexpr std::array<const char*, kParamCount> kParamNames = {"BFluo", "TShift", "Knuc",
                                                                     "Kon", "Koff"};
// Units as the window's captions write them; BFluo is in the readings' own unit.
inline constexpr std::array<const char*, kParamCount> kParamUnits = {"", "s", "uM-2s-1", "uM-1s-1",
                                                                     "s-1"};

// The name of a parameter ("BFluo", "TShift", ...); "?" for an index outside 0..4.
inline const char* ParamName(int32_t index) {
  return index >= 0 && index < kParamCount ? kParamNames[static_cast<std::size_t>(index)] : "?";
}

// A parameter row's starting field texts and fit mark.
struct TParamDefault {
  const char* value;
  const char* min;
  const char* max;
  bool fit;
};

inline constexpr std::array<TParamDefault, kParamCount> kParamDefaults = {{
    {"10", "0", "100", true},
    {"100", "0", "200", true},
    {"1E-8", "1E-11", "1E-6", true},
    {"8", "1", "20", true},
    {"1", "0", "20", true},
}};
inline constexpr const char* kDefaultGActin = "6";  // uM
inline constexpr const char* kDefaultDt = "0.1";    // s
inline constexpr int32_t kDefaultIterations = 100;  // a fit's limit, an estimation's draws
inline constexpr int32_t kDefaultShowEvery = 10;    // a fit's iterations between reports
inline constexpr int32_t kDefaultSeriesRuns = 100;  // estimation + fit runs of a series
// The time shift, s, every trace of a dilution series starts at (the series window and
// --method global): traces of a series are read from the mixing, not from the window's 100 s.
inline constexpr double kDefaultSeriesTShift = 0;

// Param, Min, Max, Fit, Init and Dt of `model` as the window's default fields give them.
void SetDefaultFields(TModel& model);

}  // namespace actinfit
