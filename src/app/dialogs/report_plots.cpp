#include "app/dialogs/report_plots.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "app/layout/fonts.h"
#include "core/fit_report.h"
#include "core/numtext.h"

namespace actinfit {
namespace {

const QColor kCurve(0, 0, 128);
const QColor kThreshold(200, 0, 0);
const QColor kZero(128, 128, 128);

// The quantities profiled on a log scale when their profile spans a decade: the rates.
bool IsRate(int32_t quantity) {
  return quantity != BFluo && quantity != TShift;
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->legend()->hide();
  chart->setBackgroundRoundness(0);
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->setTitle(title);
  chart->setTitleFont(WindowFont(true));
  // Any locale with the decimal mark in force will do; group separators would only clutter.
  QLocale locale = DecimalSeparator() == ',' ? QLocale(QLocale::German) : QLocale::c();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  chart->setLocale(locale);
  chart->setLocalizeNumbers(true);
  return chart;
}

void Attach(QChart* chart, QAbstractAxis* axis, Qt::Alignment side, const QString& title) {
  axis->setTitleText(title);
  axis->setTitleFont(WindowFont());
  axis->setLabelsFont(WindowFont());
  chart->addAxis(axis, side);
}

// Labels need a precision: a bare "%g" draws none when the chart localises its numbers.
const QString kLabelFormat = QStringLiteral("%.6g");

// 1, 2 or 5 times a power of ten, near the span / `ticks`.
double TickInterval(double span, int ticks) {
  const double decade = std::pow(10.0, std::floor(std::log10(span / ticks)));
  const double mantissa = span / ticks / decade;
  return (mantissa < 1.5 ? 1 : mantissa < 3.5 ? 2 : mantissa < 7.5 ? 5 : 10) * decade;
}

// Exactly [low, high], about `ticks` ticks on round numbers inside it.
QValueAxis* LinearAxis(double low, double high, int ticks = 5) {
  if (!(high > low)) {
    const double pad = low == 0 ? 1 : std::fabs(low) * 0.1;
    low -= pad;
    high += pad;
  }
  auto* axis = new QValueAxis;
  axis->setRange(low, high);
  axis->setTickType(QValueAxis::TicksDynamic);
  const double interval = TickInterval(high - low, ticks);
  axis->setTickInterval(interval);
  axis->setTickAnchor(std::ceil(low / interval) * interval);
  axis->setLabelFormat(kLabelFormat);
  return axis;
}

// Whole decades around [low, high], which must be positive.
QLogValueAxis* LogAxis(double low, double high) {
  auto* axis = new QLogValueAxis;
  axis->setBase(10);
  axis->setLabelFormat(kLabelFormat);
  axis->setMinorTickCount(-1);
  axis->setRange(std::pow(10.0, std::floor(std::log10(low))),
                 std::pow(10.0, std::ceil(std::log10(high))));
  return axis;
}

std::pair<double, double> Range(const QAbstractAxis* axis) {
  if (const auto* log = qobject_cast<const QLogValueAxis*>(axis)) return {log->min(), log->max()};
  const auto* linear = static_cast<const QValueAxis*>(axis);
  return {linear->min(), linear->max()};
}

// Values counted in a power of ten: "×10⁻⁷".
struct TScale {
  double factor = 1;
  std::string title;
};

TScale ScaleFor(double largest) {
  if (largest == 0 || (largest >= 1e-3 && largest < 1e5)) return {};
  const int exponent = static_cast<int>(std::floor(std::log10(largest)));
  return {std::pow(10.0, -exponent), "×10" + UnitGlyphs(std::to_string(exponent))};
}

QLineSeries* Line(QChart* chart, const QColor& colour, Qt::PenStyle style) {
  auto* series = new QLineSeries;
  QPen pen(colour);
  pen.setWidth(1);
  pen.setStyle(style);
  series->setPen(pen);
  chart->addSeries(series);
  return series;
}

void AttachAll(QChart* chart, QAbstractAxis* x, QAbstractAxis* y) {
  for (QAbstractSeries* series : chart->series()) {
    series->attachAxis(x);
    series->attachAxis(y);
  }
}

// A plot that asks for its minimum size and takes what the layout gives it; a plain chart view
// would ask for the size of its whole scene.
class TSmallPlot final : public QChartView {
 public:
  TSmallPlot(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(280, 200);
  }
  QSize sizeHint() const override { return minimumSize(); }
};

QChartView* View(QChart* chart, QWidget* parent) {
  return new TSmallPlot(chart, parent);
}

QString ProfileTitle(const TProfileResult& profile, int32_t quantity) {
  QString title = QString::fromUtf8(QuantityName(quantity));
  switch (profile.Status[static_cast<size_t>(quantity)]) {
    case TProfileStatus::CutShort:
      return title + QStringLiteral(" (cut short)");
    case TProfileStatus::Unfinished:
      return title + QStringLiteral(" (unfinished)");
    case TProfileStatus::NotProfiled:
    case TProfileStatus::Done:
      break;
  }
  return title;
}

}  // namespace

QChartView* ResidualPlot(const TFitStatistics& s, QWidget* parent) {
  QChart* chart = NewChart(QStringLiteral("Residuals"));
  QLineSeries* residuals = Line(chart, kCurve, Qt::SolidLine);
  QLineSeries* zero = Line(chart, kZero, Qt::DashLine);
  QList<QPointF> points;
  double low = 0, high = 0;
  for (size_t i = 0; i < s.Residual.size() && i < s.Time.size(); ++i) {
    points.append(QPointF(s.Time[i], s.Residual[i]));
    low = std::min(low, s.Residual[i]);
    high = std::max(high, s.Residual[i]);
  }
  residuals->replace(points);
  const double first = s.Time.empty() ? 0 : s.Time.front();
  const double last = s.Time.empty() ? 1 : s.Time.back();
  zero->append(first, 0);
  zero->append(last, 0);
  QValueAxis* x = LinearAxis(first, last);
  const double pad = 0.05 * (high - low);
  QValueAxis* y = LinearAxis(low - pad, high + pad);
  Attach(chart, x, Qt::AlignBottom, QStringLiteral("Time (s)"));
  Attach(chart, y, Qt::AlignLeft, QStringLiteral("Residual (a.u.)"));
  AttachAll(chart, x, y);
  QChartView* view = View(chart, parent);
  view->setObjectName(QStringLiteral("chResiduals"));
  return view;
}

QChartView* ProfilePlot(const TProfileResult& profile, int32_t quantity, double best,
                        QWidget* parent) {
  const TProfileCurve& curve = profile.Curve[static_cast<size_t>(quantity)];
  QChart* chart = NewChart(ProfileTitle(profile, quantity));
  // The SSR from its least to well past the threshold: the part that decides the interval.
  const double rise = std::max(profile.Threshold - profile.SSRMin, 1e-12 * profile.SSRMin);
  const double top = profile.SSRMin + 2.5 * rise;
  double low = best, high = best;
  bool positive = best > 0;
  for (size_t i = 0; i < curve.Value.size() && i < curve.SSR.size(); ++i) {
    if (curve.SSR[i] > top) continue;
    low = std::min(low, curve.Value[i]);
    high = std::max(high, curve.Value[i]);
    positive = positive && curve.Value[i] > 0;
  }
  const bool logarithmic = IsRate(quantity) && positive && high >= 10 * low;
  // A linear axis of tiny or huge values counts in a power of ten that its title names.
  const TScale scale = logarithmic ? TScale{} : ScaleFor(std::max(std::fabs(low), std::fabs(high)));
  QList<QPointF> points;
  for (size_t i = 0; i < curve.Value.size() && i < curve.SSR.size(); ++i) {
    points.append(QPointF(curve.Value[i] * scale.factor, curve.SSR[i]));
  }
  Line(chart, kCurve, Qt::SolidLine)->replace(points);
  QLineSeries* threshold = Line(chart, kThreshold, Qt::DashLine);
  auto* minimum = new QScatterSeries;
  minimum->setMarkerSize(7);
  minimum->setColor(kCurve);
  minimum->append(best * scale.factor, profile.SSRMin);
  chart->addSeries(minimum);

  low *= scale.factor;
  high *= scale.factor;
  const double pad = 0.05 * (high - low);
  QAbstractAxis* x = logarithmic ? static_cast<QAbstractAxis*>(LogAxis(low, high))
                                 : LinearAxis(low - pad, high + pad, 3);  // long labels: few
  const auto [left, right] = Range(x);
  threshold->append(left, profile.Threshold);
  threshold->append(right, profile.Threshold);
  const std::string unit =
      scale.factor == 1 ? QuantityUnit(quantity) : scale.title + " " + QuantityUnit(quantity);
  Attach(chart, x, Qt::AlignBottom,
         QString::fromStdString(std::string(QuantityName(quantity)) + " (" + unit + ")"));
  Attach(chart, LinearAxis(profile.SSRMin - 0.2 * rise, top), Qt::AlignLeft, QStringLiteral("SSR"));
  AttachAll(chart, x, chart->axes(Qt::Vertical).first());
  QChartView* view = View(chart, parent);
  view->setObjectName(QStringLiteral("chProfile%1").arg(quantity));
  return view;
}

}  // namespace actinfit
