#include "app/charts/chart_view.h"

#include <QApplication>
#include <QChart>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QMouseEvent>
#include <QValueAxis>
#include <cmath>

#include "app/charts/tick_interval.h"
#include "app/layout/fonts.h"

namespace actinfit {

namespace {

struct Bounds {
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  bool empty = true;

  void Include(const QPointF& p) {
    if (empty) {
      minX = maxX = p.x();
      minY = maxY = p.y();
      empty = false;
      return;
    }
    minX = std::min(minX, p.x());
    maxX = std::max(maxX, p.x());
    minY = std::min(minY, p.y());
    maxY = std::max(maxY, p.y());
  }
};

// A range of zero width cannot be drawn; widen it around its value.
void Widen(double& low, double& high) {
  if (high > low) return;
  const double pad = low == 0 ? 1 : std::fabs(low) * 0.1;
  low -= pad;
  high += pad;
}

// With localized numbers the charts take only a format that names its precision: "%g" would
// give every tick an empty label. Ten digits show any round tick value and hide the last-digit
// noise of ticks found by adding up the interval.
const QString kTickLabelFormat = QStringLiteral("%.10g");

// The range is exactly that of the points; the ticks sit on round numbers inside it.
void SetValueRange(QAbstractAxis* axis, double low, double high) {
  auto* valueAxis = static_cast<QValueAxis*>(axis);
  Widen(low, high);
  const double interval = RoundTickInterval(high - low);
  const double anchor = std::ceil(low / interval) * interval;
  // Every change of an axis makes the chart lay out each series again: leave an axis that
  // already shows this range alone (the time axis, during a fit).
  if (valueAxis->min() == low && valueAxis->max() == high && valueAxis->tickAnchor() == anchor &&
      valueAxis->tickInterval() == interval) {
    return;
  }
  // The axis lays its ticks out at each of these changes: a wide range must never meet the
  // narrow interval of a small one (thousands of labels made and dropped), so a coarser interval
  // goes first and a finer one last.
  if (interval > valueAxis->tickInterval()) {
    valueAxis->setTickInterval(interval);
    valueAxis->setTickAnchor(anchor);
    valueAxis->setRange(low, high);
  } else {
    valueAxis->setRange(low, high);
    valueAxis->setTickAnchor(anchor);
    valueAxis->setTickInterval(interval);
  }
}

// Logarithmic ticks come at whole decades only, so the range is rounded out to decades.
void SetLogRange(QAbstractAxis* axis, double low, double high) {
  double lowDecade = std::floor(std::log10(low));
  double highDecade = std::ceil(std::log10(high));
  if (highDecade <= lowDecade) highDecade = lowDecade + 1;
  auto* logAxis = static_cast<QLogValueAxis*>(axis);
  // A hair beyond the decades: the axis finds its first and last decade by rounding
  // log(min) / log(10), which for 0.1 comes out a hair above -1 and would leave it unlabelled.
  const double min = std::pow(10.0, lowDecade) * (1 - 1e-12);
  const double max = std::pow(10.0, highDecade) * (1 + 1e-12);
  if (logAxis->min() != min || logAxis->max() != max) logAxis->setRange(min, max);
}

}  // namespace

void ChartView::SetDecimalMark(char mark) {
  // Any locale with that mark will do; group separators would only clutter the labels.
  QLocale locale = mark == ',' ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  chart()->setLocale(locale);
  chart()->setLocalizeNumbers(true);
}

ChartView::ChartView(const QString& xTitle, const QString& yTitle, bool logarithmicY,
                     QWidget* parent)
    : QChartView(new QChart, parent), logarithmicY_(logarithmicY) {
  QChart* c = chart();
  c->legend()->hide();
  c->setDropShadowEnabled(false);
  c->setPlotAreaBackgroundVisible(false);
  c->setBackgroundRoundness(0);
  c->setMargins(QMargins(4, 4, 4, 4));

  auto* x = new QValueAxis;
  x->setLabelFormat(kTickLabelFormat);
  x->setTickType(QValueAxis::TicksDynamic);
  axisX_ = x;
  if (logarithmicY) {
    auto* y = new QLogValueAxis;
    y->setLabelFormat(kTickLabelFormat);
    y->setBase(10);
    y->setMinorTickCount(-1);
    axisY_ = y;
  } else {
    auto* y = new QValueAxis;
    y->setLabelFormat(kTickLabelFormat);
    y->setTickType(QValueAxis::TicksDynamic);
    axisY_ = y;
  }
  for (QAbstractAxis* axis : {axisX_, axisY_}) {
    axis->setLabelsFont(WindowFont());
    axis->setTitleFont(WindowFont(true));
    axis->setGridLineVisible(false);
    axis->setMinorGridLineVisible(false);
  }
  axisX_->setTitleText(xTitle);
  axisY_->setTitleText(yTitle);
  c->addAxis(axisX_, Qt::AlignBottom);
  c->addAxis(axisY_, Qt::AlignLeft);
  // Until it has points (the error chart before any fit) a chart shows axes with round values,
  // not the axes' own defaults of a single label.
  SetValueRange(axisX_, 0, 1);
  if (logarithmicY) {
    SetLogRange(axisY_, 1, 10);
  } else {
    SetValueRange(axisY_, 0, 1);
  }

  setRubberBand(QChartView::RectangleRubberBand);
  setRenderHint(QPainter::Antialiasing, false);
}

ChartView::~ChartView() = default;

LineSeries* ChartView::AddSeries(const QString& name, const QColor& colour, int width,
                                 Qt::PenStyle style) {
  auto* series = new QLineSeries;
  series->setObjectName(name);
  series->setName(name);
  QPen pen(colour);
  pen.setWidth(width);
  pen.setStyle(style);
  series->setPen(pen);
  series->setPointsVisible(false);
  series->setPointLabelsVisible(false);
  chart()->addSeries(series);
  series->attachAxis(axisX_);
  series->attachAxis(axisY_);
  series_.push_back(std::make_unique<LineSeries>(series, logarithmicY_));
  return series_.back().get();
}

void ChartView::SetGrid(const QColor& colour) {
  for (QAbstractAxis* axis : {axisX_, axisY_}) {
    axis->setGridLineVisible(true);
    axis->setGridLineColor(colour);
  }
}

void ChartView::Redraw() {
  bool changed = false;
  for (auto& series : series_) changed = series->Push() || changed;
  if (changed && autoScale_) Rescale();
}

void ChartView::ResumeAutoScale() {
  autoScale_ = true;
  Rescale();
}

void ChartView::Rescale() {
  Bounds bounds;
  for (const auto& series : series_) {
    for (const QPointF& p : series->Drawn()) bounds.Include(p);
  }
  if (bounds.empty) return;
  SetValueRange(axisX_, bounds.minX, bounds.maxX);
  if (logarithmicY_) {
    SetLogRange(axisY_, bounds.minY, bounds.maxY);
  } else {
    SetValueRange(axisY_, bounds.minY, bounds.maxY);
  }
}

void ChartView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressedAt_ = event->pos();
  QChartView::mousePressEvent(event);
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    // The chart's own answer would be to zoom out one step; here it means "show everything".
    ResumeAutoScale();
    event->accept();
    return;
  }
  QChartView::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton &&
      (event->pos() - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
    autoScale_ = false;  // the user drew a rectangle and zoomed in: keep what they chose
  }
}

void ChartView::mouseDoubleClickEvent(QMouseEvent* event) {
  ResumeAutoScale();
  event->accept();
}

}  // namespace actinfit
