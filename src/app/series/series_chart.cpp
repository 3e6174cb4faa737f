#include "app/series/series_chart.h"

#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "app/charts/tick_interval.h"
#include "app/series/series_text.h"

namespace actinfit {

namespace {

// Stops of a blue-to-red scale of even lightness steps.
const QColor kScale[] = {QColor(49, 54, 149),  QColor(69, 117, 180), QColor(116, 173, 209),
                         QColor(244, 109, 67), QColor(215, 48, 39),  QColor(165, 0, 38)};

QColor ScaleColour(double at) {
  const double x = std::clamp(at, 0.0, 1.0) * (std::size(kScale) - 1);
  const auto k = std::min(static_cast<size_t>(x), std::size(kScale) - 2);
  const double f = x - static_cast<double>(k);
  const QColor& a = kScale[k];
  const QColor& b = kScale[k + 1];
  return QColor::fromRgbF(static_cast<float>(a.redF() + f * (b.redF() - a.redF())),
                          static_cast<float>(a.greenF() + f * (b.greenF() - a.greenF())),
                          static_cast<float>(a.blueF() + f * (b.blueF() - a.blueF())));
}

QColor Lighter(const QColor& colour) {
  return QColor::fromRgbF(static_cast<float>(0.55 + 0.45 * colour.redF()),
                          static_cast<float>(0.55 + 0.45 * colour.greenF()),
                          static_cast<float>(0.55 + 0.45 * colour.blueF()));
}

}  // namespace

std::vector<QColor> ConcentrationColours(const std::vector<double>& gActin) {
  // By rank, so that close concentrations still differ.
  std::vector<size_t> order(gActin.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return gActin[a] < gActin[b]; });
  std::vector<QColor> colours(gActin.size());
  for (size_t rank = 0; rank < order.size(); ++rank) {
    const double at = order.size() > 1 ? static_cast<double>(rank) / (order.size() - 1) : 0.0;
    colours[order[rank]] = ScaleColour(at);
  }
  return colours;
}

FigureDescription SeriesFigure(const TSeries& series,
                               const std::vector<std::vector<double>>& curves, char decimalMark) {
  std::vector<double> gActin;
  for (const TSeriesTrace& trace : series.Traces) gActin.push_back(trace.GActin);
  const std::vector<QColor> colours = ConcentrationColours(gActin);
  FigureDescription figure;
  figure.decimalMark = decimalMark;
  for (size_t i = 0; i < series.Traces.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    FigureTrace drawn{ConcentrationLabel(trace.GActin),
                      Lighter(colours[i]),
                      colours[i],
                      trace.Time,
                      trace.Data,
                      curves[i],
                      {}};
    drawn.residuals.resize(trace.Data.size());
    for (size_t j = 0; j < trace.Data.size(); ++j) {
      drawn.residuals[j] = curves[i][j] - trace.Data[j];
    }
    figure.traces.push_back(std::move(drawn));
  }
  return figure;
}

SeriesChart::SeriesChart(QWidget* parent) : QChartView(new QChart, parent) {
  setRenderHint(QPainter::Antialiasing);
  chart()->legend()->setAlignment(Qt::AlignBottom);
  auto* time = new QValueAxis;
  time->setTitleText(QStringLiteral("Time (s)"));
  auto* fluorescence = new QValueAxis;
  fluorescence->setTitleText(QStringLiteral("Fluorescence (a.u.)"));
  chart()->addAxis(time, Qt::AlignBottom);
  chart()->addAxis(fluorescence, Qt::AlignLeft);
  setMinimumSize(320, 260);
}

void SeriesChart::Show(const TSeries& series, const std::vector<std::vector<double>>& curves) {
  chart()->removeAllSeries();
  fits_.clear();
  std::vector<double> gActin;
  for (const TSeriesTrace& trace : series.Traces) gActin.push_back(trace.GActin);
  const std::vector<QColor> colours = ConcentrationColours(gActin);
  for (size_t i = 0; i < series.Traces.size(); ++i) {
    const TSeriesTrace& trace = series.Traces[i];
    auto* data = new QLineSeries;
    data->setName(ConcentrationLabel(trace.GActin));
    data->setPen(QPen(Lighter(colours[i]), 1));
    QList<QPointF> points;
    for (size_t j = 0; j < trace.Time.size(); ++j) points.append({trace.Time[j], trace.Data[j]});
    data->replace(points);
    chart()->addSeries(data);
    if (i < curves.size()) {
      auto* fit = new QLineSeries;
      fit->setPen(QPen(colours[i], 2));
      points.clear();
      for (size_t j = 0; j < trace.Time.size(); ++j) points.append({trace.Time[j], curves[i][j]});
      fit->replace(points);
      chart()->addSeries(fit);
      fits_.push_back(fit);
      chart()->legend()->markers(fit).front()->setVisible(false);
    }
  }
  for (QAbstractSeries* s : chart()->series()) {
    for (QAbstractAxis* axis : chart()->axes()) s->attachAxis(axis);
  }
  Rescale(series);
}

void SeriesChart::ShowCurves(const TSeries& series,
                             const std::vector<std::vector<double>>& curves) {
  if (fits_.size() != series.Traces.size() || curves.size() != fits_.size()) {
    Show(series, curves);
    return;
  }
  for (size_t i = 0; i < fits_.size(); ++i) {
    const std::vector<double>& time = series.Traces[i].Time;
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(time.size()));
    for (size_t j = 0; j < time.size() && j < curves[i].size(); ++j) {
      points.append({time[j], curves[i][j]});
    }
    fits_[i]->replace(points);
  }
}

void SeriesChart::Rescale(const TSeries& series) {
  double t0 = INFINITY, t1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
  for (const TSeriesTrace& trace : series.Traces) {
    for (size_t j = 0; j < trace.Time.size(); ++j) {
      if (!std::isfinite(trace.Time[j]) || !std::isfinite(trace.Data[j])) continue;
      t0 = std::min(t0, trace.Time[j]);
      t1 = std::max(t1, trace.Time[j]);
      y0 = std::min(y0, trace.Data[j]);
      y1 = std::max(y1, trace.Data[j]);
    }
  }
  if (!(t0 < t1)) t0 = 0, t1 = 1;
  if (!(y0 < y1)) y0 = 0, y1 = 1;
  const auto axes = chart()->axes();
  const double margin = 0.05 * (y1 - y0);
  // The range is that of the readings; the ticks sit on round numbers inside it, as on the
  // main window's charts.
  const std::pair<double, double> ranges[2] = {{t0, t1}, {y0 - margin, y1 + margin}};
  for (int a = 0; a < 2; ++a) {
    auto* axis = static_cast<QValueAxis*>(axes[a]);
    const auto [low, high] = ranges[a];
    double interval = RoundTickInterval(high - low);
    // Times such as "3500" need room: five labels at the most along the narrow chart, else
    // they are cut short.
    if (a == 0 && (high - low) / interval > 5) interval = RoundTickInterval(2.5 * (high - low));
    axis->setRange(low, high);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(std::ceil(low / interval) * interval);
    axis->setTickInterval(interval);
    axis->setLabelFormat(QStringLiteral("%.10g"));
  }
}

}  // namespace actinfit
