#include "app/charts/line_series.h"

#include <QLineSeries>
#include <algorithm>

namespace actinfit {

namespace {

// A chart is at most a few thousand pixels wide. Beyond this many points, a line shows the
// same as one through the lowest and the highest point of each run of neighbours, in their
// order; drawing all of them would only cost time (a million points take seconds).
constexpr qsizetype kBuckets = 8192;

QList<QPointF> Thinned(const QList<QPointF>& points) {
  const qsizetype n = points.size();
  if (n <= 2 * kBuckets) return points;
  QList<QPointF> kept;
  kept.reserve(2 * kBuckets + 2);
  kept.append(points.front());
  for (qsizetype b = 0; b < kBuckets; ++b) {
    const qsizetype begin = b * n / kBuckets;
    const qsizetype end = (b + 1) * n / kBuckets;
    qsizetype low = begin, high = begin;
    for (qsizetype i = begin + 1; i < end; ++i) {
      if (points[i].y() < points[low].y()) low = i;
      if (points[i].y() > points[high].y()) high = i;
    }
    kept.append(points[std::min(low, high)]);
    if (low != high) kept.append(points[std::max(low, high)]);
  }
  kept.append(points.back());
  return kept;
}

}  // namespace

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
    drawn_ = Thinned(drawn_);
  } else {
    drawn_ = Thinned(points_);
  }
  series_->replace(drawn_);
  return true;
}

}  // namespace actinfit
