#include "app/figure/figure_painter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/figure/figure_scale.h"
#include "app/layout/fonts.h"
#include "core/errors.h"

namespace actinfit {

namespace {

// Sizes in millimetres and points, as a journal's figure guide gives them.
constexpr double kMarginMm = 2;
constexpr double kTickMm = 1.2;
constexpr double kLabelGapMm = 1;
constexpr double kTitleGapMm = 1.5;
constexpr double kFrameMm = 0.2;
constexpr double kDataLineMm = 0.25;
constexpr double kModelLineMm = 0.45;
constexpr double kMarkerMm = 0.45;      // radius
constexpr double kMarkerSpacingMm = 1;  // closer points are drawn as a line
constexpr double kSwatchMm = 7;
constexpr double kLegendSpacingMm = 5;
constexpr double kResidualShare = 0.28;  // of the height of both panels
constexpr double kTickPoints = 8;
constexpr double kTitlePoints = 9;
constexpr double kMinTitlePoints = 6;

struct Fonts {
  QFont tick, title, legend;
};

struct Scales {
  FigureScale time, readings, residuals;
};

struct LegendEntry {
  QString text;
  QColor data;   // invalid: no data mark
  QColor model;  // invalid: no model line
};

struct Panels {
  QRectF main, residual;
};

// A context for the drawing: the painter, the unit and the fonts.
struct Canvas {
  QPainter& painter;
  double mm;  // device units per millimetre
  Fonts fonts;
  bool markers;

  QFontMetricsF Metrics(const QFont& font) const { return QFontMetricsF(font, painter.device()); }
  QPen Pen(const QColor& colour, double widthMm, Qt::PenStyle style = Qt::SolidLine) const {
    QPen pen(colour, widthMm * mm, style, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(false);
    return pen;
  }
};

// A font of `points` on this page, whatever resolution its device claims.
QFont PageFont(const QPaintDevice& device, double mm, double points) {
  QFont font = WindowFont();
  font.setPointSizeF(points * (mm * 25.4) / device.logicalDpiY());
  return font;
}

void Include(double& low, double& high, const std::vector<double>& values) {
  for (const double v : values) {
    if (!std::isfinite(v)) continue;
    low = std::min(low, v);
    high = std::max(high, v);
  }
}

// The extent of the times, of the readings and the model, and of the residuals and zero.
struct Ranges {
  double t0, t1, y0, y1, r0, r1;
};

Ranges DataRanges(const FigureDescription& figure) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  Ranges r{inf, -inf, inf, -inf, 0, 0};
  for (const FigureTrace& trace : figure.traces) {
    Include(r.t0, r.t1, trace.times);
    Include(r.y0, r.y1, trace.readings);
    Include(r.y0, r.y1, trace.model);
    Include(r.r0, r.r1, trace.residuals);
  }
  if (!(r.t1 >= r.t0) || !(r.y1 >= r.y0)) throw Error("The figure has no points to draw");
  return r;
}

struct TickCounts {
  int time = 11, readings = 11, residuals = 11;
};

Scales FigureScales(const Ranges& r, const TickCounts& most) {
  // The time axis ends where the data end; the values' axes at round ticks around them.
  return {DataScale(r.t0, r.t1, most.time), RoundScale(r.y0, r.y1, most.readings),
          RoundScale(r.r0, r.r1, most.residuals)};
}

std::vector<LegendEntry> LegendEntries(const FigureDescription& figure) {
  if (figure.traces.size() == 1) {
    const FigureTrace& trace = figure.traces.front();
    return {{QStringLiteral("Data: ") + trace.label, trace.dataColour, QColor()},
            {QStringLiteral("Model"), QColor(), trace.modelColour}};
  }
  std::vector<LegendEntry> entries;
  for (const FigureTrace& trace : figure.traces) {
    entries.push_back({trace.label, trace.dataColour, trace.modelColour});
  }
  return entries;
}

double EntryWidth(const Canvas& canvas, const LegendEntry& entry) {
  return (kSwatchMm + kLabelGapMm) * canvas.mm +
         canvas.Metrics(canvas.fonts.legend).horizontalAdvance(entry.text);
}

// The rows of the legend, entries flowing left to right within `width`.
std::vector<std::vector<LegendEntry>> LegendRows(const Canvas& canvas,
                                                 const std::vector<LegendEntry>& entries,
                                                 double width) {
  std::vector<std::vector<LegendEntry>> rows(1);
  double used = 0;
  for (const LegendEntry& entry : entries) {
    const double w = EntryWidth(canvas, entry);
    if (!rows.back().empty() && used + kLegendSpacingMm * canvas.mm + w > width) {
      rows.emplace_back();
      used = 0;
    }
    used += (rows.back().empty() ? 0 : kLegendSpacingMm * canvas.mm) + w;
    rows.back().push_back(entry);
  }
  return rows;
}

double RowHeight(const Canvas& canvas) {
  return canvas.Metrics(canvas.fonts.legend).height() * 1.25;
}

double WidestTick(const Canvas& canvas, const FigureScale& scale, char mark) {
  double widest = 0;
  const QFontMetricsF metrics = canvas.Metrics(canvas.fonts.tick);
  for (const double tick : scale.Ticks()) {
    widest = std::max(widest, metrics.horizontalAdvance(TickText(tick, scale, mark)));
  }
  return widest;
}

// The left edge of both panels: room for the value titles and the widest tick value.
double PanelLeft(const Canvas& canvas, const Scales& scales, char mark) {
  const double labels = std::max(WidestTick(canvas, scales.readings, mark),
                                 WidestTick(canvas, scales.residuals, mark));
  return (kMarginMm + kTitleGapMm + kLabelGapMm) * canvas.mm +
         canvas.Metrics(canvas.fonts.title).height() + labels;
}

// The two panels within the page, leaving room for the legend above, the tick values and
// titles to the left and below, and half a tick value beyond the last time tick.
Panels LayOut(const Canvas& canvas, const QSizeF& page, double left, double legendHeight,
              double residualTitle, const Scales& scales, char mark) {
  const double mm = canvas.mm;
  const QFontMetricsF tick = canvas.Metrics(canvas.fonts.tick);
  const QFontMetricsF title = canvas.Metrics(canvas.fonts.title);
  const double lastTime = tick.horizontalAdvance(TickText(scales.time.high, scales.time, mark));
  const double right = page.width() - kMarginMm * mm - lastTime / 2;
  const double top = kMarginMm * mm + legendHeight + tick.height() / 2;
  const double bottom =
      page.height() - (kMarginMm + kTitleGapMm + kLabelGapMm) * mm - title.height() - tick.height();
  // The gap holds the lowest tick value of the main panel and the highest of the residuals.
  const double gap = tick.height() + kLabelGapMm * mm;
  const double both = bottom - top - gap;
  // Tall enough for its title where the page allows.
  const double residual =
      std::min(std::max(both * kResidualShare, residualTitle + kLabelGapMm * mm), both * 0.45);
  if (right - left < 20 * mm || residual < 8 * mm) {
    throw Error("The figure is too small for its axes and legend: make it larger");
  }
  return {QRectF(left, top, right - left, both - residual),
          QRectF(left, bottom - residual, right - left, residual)};
}

// How many ticks each axis has room for: a value and a space, four fifths as high or half as
// wide as the value.
TickCounts TickRoom(const Canvas& canvas, const Panels& panels, const Scales& scales, char mark) {
  const double height = canvas.Metrics(canvas.fonts.tick).height() * 1.8;
  const double width = WidestTick(canvas, scales.time, mark) * 1.5;
  auto room = [](double length, double each) { return static_cast<int>(length / each) + 1; };
  return {room(panels.main.width(), width), room(panels.main.height(), height),
          room(panels.residual.height(), height)};
}

double LegendHeight(const Canvas& canvas, const std::vector<LegendEntry>& entries, double width) {
  return static_cast<double>(LegendRows(canvas, entries, width).size()) * RowHeight(canvas) +
         kTitleGapMm * canvas.mm;
}

// A data mark, a model line or both, in a swatch `kSwatchMm` wide centred on `y`.
void DrawSwatch(const Canvas& canvas, const LegendEntry& entry, double x, double y) {
  QPainter& p = canvas.painter;
  const double w = kSwatchMm * canvas.mm;
  if (entry.model.isValid()) {
    p.setPen(canvas.Pen(entry.model, kModelLineMm));
    p.drawLine(QPointF(x, y), QPointF(x + w, y));
  }
  if (!entry.data.isValid()) return;
  if (!canvas.markers) {
    p.setPen(canvas.Pen(entry.data, kDataLineMm));
    p.drawLine(QPointF(x, y), QPointF(x + w, y));
    return;
  }
  p.setPen(Qt::NoPen);
  p.setBrush(entry.data);
  for (const double at : {0.2, 0.5, 0.8}) {
    p.drawEllipse(QPointF(x + w * at, y), kMarkerMm * canvas.mm, kMarkerMm * canvas.mm);
  }
}

void DrawLegend(const Canvas& canvas, const std::vector<LegendEntry>& entries, const QRectF& area) {
  QPainter& p = canvas.painter;
  p.setFont(canvas.fonts.legend);
  const double rowHeight = RowHeight(canvas);
  double y = area.top();
  for (const auto& row : LegendRows(canvas, entries, area.width())) {
    double x = area.left();
    for (const LegendEntry& entry : row) {
      DrawSwatch(canvas, entry, x, y + rowHeight / 2);
      const double textLeft = x + (kSwatchMm + kLabelGapMm) * canvas.mm;
      p.setPen(Qt::black);
      p.drawText(QRectF(textLeft, y, area.right() - textLeft, rowHeight),
                 Qt::AlignLeft | Qt::AlignVCenter, entry.text);
      x += EntryWidth(canvas, entry) + kLegendSpacingMm * canvas.mm;
    }
    y += rowHeight;
  }
}

// The frame of a panel, its ticks pointing inwards, and the values of the left axis.
void DrawPanelAxes(const Canvas& canvas, const QRectF& panel, const FigureScale& time,
                   const FigureScale& values, char mark) {
  QPainter& p = canvas.painter;
  const double tick = kTickMm * canvas.mm;
  const QFontMetricsF metrics = canvas.Metrics(canvas.fonts.tick);
  p.setBrush(Qt::NoBrush);
  p.setPen(canvas.Pen(Qt::black, kFrameMm));
  p.drawRect(panel);
  for (const double t : time.Ticks()) {
    const double x = panel.left() + time.Fraction(t) * panel.width();
    p.drawLine(QPointF(x, panel.bottom()), QPointF(x, panel.bottom() - tick));
  }
  p.setFont(canvas.fonts.tick);
  for (const double v : values.Ticks()) {
    const double y = panel.bottom() - values.Fraction(v) * panel.height();
    p.drawLine(QPointF(panel.left(), y), QPointF(panel.left() + tick, y));
    const QRectF box(0, y - metrics.height() / 2, panel.left() - kLabelGapMm * canvas.mm,
                     metrics.height());
    p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, TickText(v, values, mark));
  }
}

// The time values below `panel` and the time title below them.
void DrawTimeAxis(const Canvas& canvas, const QRectF& panel, const FigureScale& time,
                  const QString& title, char mark) {
  QPainter& p = canvas.painter;
  const QFontMetricsF metrics = canvas.Metrics(canvas.fonts.tick);
  const double top = panel.bottom() + kLabelGapMm * canvas.mm;
  p.setPen(Qt::black);
  p.setFont(canvas.fonts.tick);
  for (const double t : time.Ticks()) {
    const double x = panel.left() + time.Fraction(t) * panel.width();
    const QString text = TickText(t, time, mark);
    const double w = metrics.horizontalAdvance(text);
    p.drawText(QRectF(x - w, top, 2 * w, metrics.height()), Qt::AlignCenter, text);
  }
  p.setFont(canvas.fonts.title);
  const double titleTop = top + metrics.height() + kTitleGapMm * canvas.mm;
  p.drawText(QRectF(panel.left(), titleTop, panel.width(), canvas.Metrics(p.font()).height()),
             Qt::AlignHCenter | Qt::AlignTop, title);
}

// The font of the value titles: the title font, shrunk (both alike) until each fits beside
// its panel, down to a smallest size.
QFont ValueTitleFont(const Canvas& canvas, const Panels& panels, const FigureDescription& figure) {
  QFont font = canvas.fonts.title;
  const QFontMetricsF metrics = canvas.Metrics(font);
  const double fits =
      std::min(panels.main.height() / metrics.horizontalAdvance(figure.readingsTitle),
               panels.residual.height() / metrics.horizontalAdvance(figure.residualTitle));
  if (fits < 1) {
    font.setPointSizeF(font.pointSizeF() * std::max(fits, kMinTitlePoints / kTitlePoints));
  }
  return font;
}

// A value axis title, turned to read upwards, centred on the panel at `x` (its left edge).
void DrawValueTitle(const Canvas& canvas, const QFont& font, const QRectF& panel, double x,
                    const QString& title) {
  QPainter& p = canvas.painter;
  const double height = canvas.Metrics(font).height();
  p.save();
  p.setFont(font);
  p.setPen(Qt::black);
  p.translate(x + height / 2, panel.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-panel.height() / 2, -height / 2, panel.height(), height),
             Qt::AlignCenter | Qt::TextDontClip, title);
  p.restore();
}

// The finite points of (xs, ys) in the panel's coordinates, split where a point is missing.
std::vector<QPolygonF> Runs(const QRectF& panel, const FigureScale& time, const FigureScale& y,
                            const std::vector<double>& xs, const std::vector<double>& ys) {
  std::vector<QPolygonF> runs(1);
  const size_t n = std::min(xs.size(), ys.size());
  for (size_t i = 0; i < n; ++i) {
    if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) {
      if (!runs.back().isEmpty()) runs.emplace_back();
      continue;
    }
    runs.back() << QPointF(panel.left() + time.Fraction(xs[i]) * panel.width(),
                           panel.bottom() - y.Fraction(ys[i]) * panel.height());
  }
  return runs;
}

// Measured points: marks while they lie far enough apart to be told apart, a thin line else.
void DrawPoints(const Canvas& canvas, const std::vector<QPolygonF>& runs, const QColor& colour) {
  QPainter& p = canvas.painter;
  if (canvas.markers) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const double r = kMarkerMm * canvas.mm;
    for (const QPolygonF& run : runs) {
      for (const QPointF& point : run) p.drawEllipse(point, r, r);
    }
    return;
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(canvas.Pen(colour, kDataLineMm));
  for (const QPolygonF& run : runs) p.drawPolyline(run);
}

void DrawLine(const Canvas& canvas, const std::vector<QPolygonF>& runs, const QColor& colour,
              double widthMm) {
  canvas.painter.setBrush(Qt::NoBrush);
  canvas.painter.setPen(canvas.Pen(colour, widthMm));
  for (const QPolygonF& run : runs) canvas.painter.drawPolyline(run);
}

void DrawCurves(const Canvas& canvas, const Panels& panels, const Scales& scales,
                const FigureDescription& figure) {
  QPainter& p = canvas.painter;
  p.save();
  p.setClipRect(panels.main);
  // The model first: the data, marks or a thinner line, stay visible on top of it.
  for (const FigureTrace& trace : figure.traces) {
    DrawLine(canvas, Runs(panels.main, scales.time, scales.readings, trace.times, trace.model),
             trace.modelColour, kModelLineMm);
  }
  for (const FigureTrace& trace : figure.traces) {
    DrawPoints(canvas, Runs(panels.main, scales.time, scales.readings, trace.times, trace.readings),
               trace.dataColour);
  }
  p.setClipRect(panels.residual);
  const double zero =
      panels.residual.bottom() - scales.residuals.Fraction(0) * panels.residual.height();
  p.setPen(canvas.Pen(QColor(128, 128, 128), kFrameMm, Qt::DashLine));
  p.drawLine(QPointF(panels.residual.left(), zero), QPointF(panels.residual.right(), zero));
  for (const FigureTrace& trace : figure.traces) {
    DrawPoints(canvas,
               Runs(panels.residual, scales.time, scales.residuals, trace.times, trace.residuals),
               trace.dataColour);
  }
  p.restore();
}

// Whether the densest trace leaves its points far enough apart to draw them as marks.
bool UseMarkers(const FigureDescription& figure, const FigureScale& time, double widthMm) {
  size_t most = 0;
  for (const FigureTrace& trace : figure.traces) most = std::max(most, trace.times.size());
  double span = 0;
  for (const FigureTrace& trace : figure.traces) {
    if (trace.times.size() < 2) continue;
    const auto [low, high] = std::minmax_element(trace.times.begin(), trace.times.end());
    span = std::max(span, (*high - *low) / (time.high - time.low));
  }
  return most < 2 || span * widthMm / static_cast<double>(most - 1) >= kMarkerSpacingMm;
}

}  // namespace

void PaintFigure(QPainter& painter, const QSizeF& page, double unitsPerMm,
                 const FigureDescription& figure) {
  const QPaintDevice& device = *painter.device();
  Canvas canvas{
      painter,
      unitsPerMm,
      {PageFont(device, unitsPerMm, kTickPoints), PageFont(device, unitsPerMm, kTitlePoints),
       PageFont(device, unitsPerMm, kTickPoints)},
      false};
  const char mark = figure.decimalMark;
  const Ranges ranges = DataRanges(figure);
  const std::vector<LegendEntry> legend = LegendEntries(figure);
  const double residualTitle =
      canvas.Metrics(canvas.fonts.title).horizontalAdvance(figure.residualTitle);
  auto place = [&](const Scales& scales, QRectF& legendArea) {
    const double left = PanelLeft(canvas, scales, mark);
    // The legend runs above the panels, from their left edge to the right margin.
    legendArea = QRectF(left, kMarginMm * unitsPerMm, page.width() - left - kMarginMm * unitsPerMm,
                        page.height());
    return LayOut(canvas, page, left, LegendHeight(canvas, legend, legendArea.width()),
                  residualTitle, scales, mark);
  };
  QRectF legendArea;
  Scales scales = FigureScales(ranges, TickCounts());
  Panels panels = place(scales, legendArea);
  // Coarser ticks where a panel leaves too little room for all their values.
  scales = FigureScales(ranges, TickRoom(canvas, panels, scales, mark));
  panels = place(scales, legendArea);
  canvas.markers = UseMarkers(figure, scales.time, panels.main.width() / unitsPerMm);

  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(QRectF(QPointF(0, 0), page), Qt::white);
  DrawLegend(canvas, legend, legendArea);
  DrawCurves(canvas, panels, scales, figure);
  DrawPanelAxes(canvas, panels.main, scales.time, scales.readings, mark);
  DrawPanelAxes(canvas, panels.residual, scales.time, scales.residuals, mark);
  DrawTimeAxis(canvas, panels.residual, scales.time, figure.timeTitle, mark);
  const double titleX = kMarginMm * unitsPerMm;
  const QFont titleFont = ValueTitleFont(canvas, panels, figure);
  DrawValueTitle(canvas, titleFont, panels.main, titleX, figure.readingsTitle);
  DrawValueTitle(canvas, titleFont, panels.residual, titleX, figure.residualTitle);
}

}  // namespace actinfit
