// One line of a chart: points kept in ascending order of x, shown in bulk.
#pragma once

#include <QList>
#include <QPointF>

class QLineSeries;

namespace actinfit {

class LineSeries {
 public:
  // `series` belongs to its chart. With `positiveOnly` points whose y is not above 0 are kept
  // but not drawn (a logarithmic axis cannot show them).
  LineSeries(QLineSeries* series, bool positiveOnly);

  // Removes every point; the chart keeps showing the old ones until the next Push, so that a
  // curve that is rebuilt does not vanish from the screen in between.
  void Clear();

  // Adds a point after every point whose x is not greater. It shows at the next Push.
  void Add(double x, double y);

  // Hands the points added since the last push to the chart in one replace. Returns whether
  // the chart got anything new.
  bool Push();

  // The points as drawn: without those a logarithmic axis cannot show, and of a series of
  // tens of thousands only the lowest and highest of each run of neighbours.
  const QList<QPointF>& Drawn() const { return drawn_; }
  const QList<QPointF>& Points() const { return points_; }
  QLineSeries* Series() const { return series_; }

 private:
  QLineSeries* series_;
  bool positiveOnly_;
  bool pending_ = false;
  QList<QPointF> points_;
  QList<QPointF> drawn_;
};

}  // namespace actinfit
