// The curves of a series fit: each trace's fluorescence at the fitted rates, time shift and
// linear parameters, for charts, figures, residuals and runs tests.
#pragma once

#include <cstdint>
#include <vector>

#include "core/series_fit.h"

namespace actinfit {

// The rates of a series, in the order of TSeries::Rate; their names are ParamName(Knuc + r).
inline constexpr int32_t kSeriesRates = 3;

// Per trace, Background_i + Amplitude_i x F_i / max F_i (or + Brightness x F_i) at fit.Rate and
// fit.TShift[i]. Errors of the simulation are Evaluate's.
std::vector<std::vector<double>> SeriesCurves(const TSeries& series, const TSeriesFit& fit);

}  // namespace actinfit
