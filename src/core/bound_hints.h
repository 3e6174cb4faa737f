// What to change when a search ends with a parameter on one of its bounds: which way the data
// pull it, and the bound to move. The bounds stay what the user typed; the hint only says.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace actinfit {

// The level the readings start at: the median of their first twentieth (at least five, at most
// all of them), robust to a spike; NaN without readings.
double ReadingsStart(std::span<const double> readings);

// One sentence for parameter `k` (core/model.h's order) that ended on a bound: which way the data
// pull it and what to change ("BFluo ended on its upper bound 100 while the readings start near
// 298: raise its Max above 300 and refine again."). `readingsStart` serves the background.
// Empty when `value` lies on neither bound.
std::string BoundHint(int32_t k, double value, double min, double max, double readingsStart);

}  // namespace actinfit
