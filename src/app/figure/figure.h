// A figure for a paper or a slide: the data and model curves of one or more traces in a main
// panel, their residuals in a panel below it on the same time axis, and a legend above.
#pragma once

#include <QColor>
#include <QString>
#include <vector>

namespace actinfit {

// One measured time course with its model. `times`, `readings`, `model` and `residuals` have
// the same length; points whose value is not finite are left out of the drawing.
struct FigureTrace {
  QString label;  // what the legend calls the trace: its source, or a concentration
  QColor dataColour;
  QColor modelColour;
  std::vector<double> times;
  std::vector<double> readings;
  std::vector<double> model;
  std::vector<double> residuals;
};

struct FigureDescription {
  std::vector<FigureTrace> traces;  // drawn in this order, later ones on top
  QString timeTitle = QStringLiteral("Time (s)");
  QString readingsTitle = QStringLiteral("Fluorescence (a.u.)");
  QString residualTitle = QStringLiteral("Residual (a.u.)");
  char decimalMark = '.';  // of the tick values
};

}  // namespace actinfit
