// A line chart that scales its axes to its points, lets the user zoom into a rectangle drawn
// with the mouse, and returns to automatic scaling on a double-click or a right-click.
#pragma once

#include <QChartView>
#include <QColor>
#include <QPoint>
#include <memory>
#include <vector>

#include "app/charts/line_series.h"

class QAbstractAxis;

namespace actinfit {

class ChartView : public QChartView {
  Q_OBJECT

 public:
  // A chart with a linear bottom axis and a linear or logarithmic left axis.
  ChartView(const QString& xTitle, const QString& yTitle, bool logarithmicY,
            QWidget* parent = nullptr);
  ~ChartView() override;

  // A plain line without point markers; later series draw over earlier ones.
  LineSeries* AddSeries(const QString& name, const QColor& colour, int width,
                        Qt::PenStyle style = Qt::SolidLine);

  void SetGrid(const QColor& colour);  // both axes

  // Axis labels are written with `mark` ('.' or ','), the decimal mark of the window's fields.
  void SetDecimalMark(char mark);

  // Shows the points added since the last redraw and, unless the user zoomed in, fits the axes
  // to all points.
  void Redraw();

  void ResumeAutoScale();
  bool AutoScaling() const { return autoScale_; }

  QAbstractAxis* AxisX() const { return axisX_; }
  QAbstractAxis* AxisY() const { return axisY_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void Rescale();

  QAbstractAxis* axisX_;
  QAbstractAxis* axisY_;
  bool logarithmicY_;
  bool autoScale_ = true;
  QPoint pressedAt_;
  std::vector<std::unique_ptr<LineSeries>> series_;
};

}  // namespace actinfit
