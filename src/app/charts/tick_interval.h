// Where the ticks of a linear axis go.
#pragma once

namespace actinfit {

// 1, 2 or 5 times a power of ten, near a fifth of `span` (> 0): four to ten ticks.
double RoundTickInterval(double span);

}  // namespace actinfit
