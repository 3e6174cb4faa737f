// The series window's chart: every trace's readings and its fit, coloured by concentration.
#pragma once

#include <QChartView>
#include <QColor>
#include <vector>

#include "app/figure/figure.h"
#include "core/series_fit.h"

class QLineSeries;

namespace actinfit {

// A colour per trace ordered by G-actin, low concentrations blue, high ones red (a sequential
// scale that stays readable in grey and for every colour vision).
std::vector<QColor> ConcentrationColours(const std::vector<double>& gActin);

// The series as a figure: one trace per concentration, named "1.5 uM".
FigureDescription SeriesFigure(const TSeries& series,
                               const std::vector<std::vector<double>>& curves, char decimalMark);

class SeriesChart : public QChartView {
 public:
  explicit SeriesChart(QWidget* parent);

  // Redraws the readings and, when given (one per trace), the fitted curves.
  void Show(const TSeries& series, const std::vector<std::vector<double>>& curves);
  // Moves the fitted curves of what Show drew (one per trace) to new points, as a fit
  // proceeds; draws everything anew when there were none.
  void ShowCurves(const TSeries& series, const std::vector<std::vector<double>>& curves);

 private:
  void Rescale(const TSeries& series);

  std::vector<QLineSeries*> fits_;  // owned by the chart
};

}  // namespace actinfit
