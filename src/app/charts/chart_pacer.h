// Brings the charts up to date at most about 60 times a second. Handing points to a chart,
// scaling its axes and repainting it cost far more than a report of a long operation, which
// comes every millisecond or two: the reports only ask for a redraw, and the charts are drawn
// once the interval since the last drawing is up, and whenever a handler ends. The interval is
// kIntervalMs, or longer where drawing is slow (a slow or busy machine), so that the charts
// take no more than about a quarter of the time: kSlowdown times what the last drawing took
// (its repaint, which follows, costs about as much again).
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
  static constexpr qint64 kSlowdown = 8;

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
  qint64 Interval() const;

  QElapsedTimer lastDrawn_;
  qint64 lastCostMs_ = 0;
  bool requested_ = false;
};

}  // namespace actinfit
