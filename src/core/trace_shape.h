// Whether a trace rises as polymerisation makes it: the model fits any trace, and a flat or
// falling one gets rates that look precise and mean nothing, so the reports say so.
#pragma once

#include <span>
#include <string>

namespace actinfit {

enum class TRise { Rises, Flat, Falls };

struct TTraceShape {
  TRise Rise;
  double Change;  // mean of the last tenth of the readings less the mean of the first tenth
  double Noise;   // the readings' noise, from the spread of successive differences
};

// A change within this many noise levels is no rise.
inline constexpr double kFlatTraceNoiseLevels = 4;

// The shape of the readings in time order (at least 2 for a verdict; fewer rise).
TTraceShape TraceShape(std::span<const double> readings);

// What the shape means for the fit of the trace called `name` ("The trace", "Trace 2 (3 uM)");
// empty when it rises.
std::string TraceShapeSentence(const TTraceShape& shape, const std::string& name);

}  // namespace actinfit
