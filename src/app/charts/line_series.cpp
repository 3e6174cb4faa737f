#include "app/charts/line_series.h"

#include <QLineSeries>
#include <algorithm>

namespace actinfit {

LineSeries::LineSeries(QLineSeries* series, bool positiveOnly)
    : series_(series), positiveOnly_(positiveOnly) {}

void LineSeries::Clear() {
  points_.clear();
  pending_ = true;
}

void LineSeries::Add(double x, double y) {
  pending_ = true;
  // Points nearly always come in order of time: then this is an append.
  if (points_.isEmpty() || points_.back().x() <= x) {
    points_.append(QPointF(x, y));
    return;
  }
  const auto after = std::upper_bound(points_.begin(), points_.end(), x,
                                      [](double v, const QPointF& p) { return v < p.x(); });
  points_.insert(after, QPointF(x, y));
}

bool LineSeries::Push() {
  if (!pending_) return false;
  pending_ = false;
  if (positiveOnly_) {
    drawn_.clear();
    std::copy_if(points_.begin(), points_.end(), std::back_inserter(drawn_),
                 [](const QPointF& p) { return p.y() > 0; });
  } else {
    drawn_ = points_;
  }
  series_->replace(drawn_);
  return true;
}

}  // namespace actinfit
