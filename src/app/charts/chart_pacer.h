// Brings the charts up to date at most about 60 times a second. Handing points to a chart,
// scaling its axes and repainting it cost far more than a report of a long operation, which
// comes every millisecond or two: the reports only ask for a redraw, and the charts are drawn
// when kIntervalMs have passed since the last drawing, and whenever a handler ends.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

namespace actinfit {

class ChartView;

class TChartPacer : public QObject {
  Q_OBJECT

 public:
  static constexpr qint64 kIntervalMs = 16;

  TChartPacer();

  void Add(ChartView* chart);

  // The series changed: draw them when the interval is up (the timer fires inside the next
  // event point that comes late enough) or at Draw, whichever is first.
  void Request();

  // Draws now if a drawing is asked for and the interval is up: before events are run, so that
  // the repaint they bring shows the latest state.
  void DrawIfDue();

  // Draws whatever is asked for, now.
  void Draw();

 private:
  std::vector<ChartView*> charts_;
  QTimer timer_;
  QElapsedTimer lastDrawn_;
  bool requested_ = false;
};

}  // namespace actinfit
