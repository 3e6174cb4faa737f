#include "app/charts/chart_pacer.h"

#include <algorithm>

#include "app/charts/chart_view.h"

namespace actinfit {

TChartPacer::TChartPacer() {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &TChartPacer::Draw);
  lastDrawn_.start();
}

void TChartPacer::Add(ChartView* chart) {
  charts_.push_back(chart);
}

void TChartPacer::Request() {
  requested_ = true;
  if (timer_.isActive()) return;
  timer_.start(static_cast<int>(std::max<qint64>(0, Interval() - lastDrawn_.elapsed())));
}

void TChartPacer::DrawIfDue() {
  if (requested_ && lastDrawn_.elapsed() >= Interval()) Draw();
}

qint64 TChartPacer::Interval() const {
  return std::max(kIntervalMs, kSlowdown * lastCostMs_);
}

void TChartPacer::Draw() {
  timer_.stop();
  if (!requested_) return;
  requested_ = false;
  QElapsedTimer cost;
  cost.start();
  for (ChartView* chart : charts_) chart->Redraw();
  lastCostMs_ = cost.elapsed();
  lastDrawn_.restart();
}

}  // namespace actinfit
