// The series window's model-free readouts: a column per readout in the trace table, the
// log-log plot of t½ against G-actin with its line and sentence, and their saved table.
#pragma once

#include <QChartView>
#include <QString>
#include <optional>
#include <vector>

#include "app/series/series_table.h"
#include "core/readout_scaling.h"
#include "core/readouts.h"

class QLabel;
class QTableWidget;

namespace actinfit {

// Every trace's readouts and its G-actin (NaN where its cell holds no number).
struct TSeriesReadouts {
  std::vector<double> gActin;
  std::vector<TReadouts> readouts;
  std::optional<TReadoutScaling> scaling;
};

TSeriesReadouts TableReadouts(const QTableWidget& table, const std::vector<SeriesSource>& sources);

// Writes the readout cells of every row.
void WriteTraceReadouts(QTableWidget& table, const TSeriesReadouts& readouts,
                        const TReadoutConstants& constants);

// A tab-separated block for the saved results: a line per trace, then the scaling's sentence.
QString SeriesReadoutsTable(const TSeriesReadouts& readouts, const std::vector<QString>& sources,
                            const TReadoutConstants& constants);

// t½ against G-actin on log-log axes with the fitted line, and the sentence below it.
class TReadoutScalingView : public QWidget {
 public:
  explicit TReadoutScalingView(QWidget* parent);
  void Show(const TSeriesReadouts& readouts);

 private:
  QChartView* chart_;
  QLabel* sentence_;
};

}  // namespace actinfit
