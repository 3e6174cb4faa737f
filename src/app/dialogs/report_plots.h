// The fit report's small plots: the residuals against time, and a profile (the least SSR
// against the held value, with the threshold of its interval). Static pictures with values on
// both axes, written with the process-wide decimal mark.
#pragma once

#include <cstdint>

#include "core/fit_statistics.h"

class QChartView;
class QWidget;

namespace actinfit {

// The residuals of the result against time, with the zero line.
QChartView* ResidualPlot(const TFitStatistics& statistics, QWidget* parent);

// The profile of quantity `quantity` (core/profile.h) of `profile`: its curve, the threshold as
// a line, the best value marked. A logarithmic value axis for a rate whose profile spans a
// decade or more. The title names the quantity and says when it is cut short or unfinished.
QChartView* ProfilePlot(const TProfileResult& profile, int32_t quantity, double best,
                        QWidget* parent);

}  // namespace actinfit
