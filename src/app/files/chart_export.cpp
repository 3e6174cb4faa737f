#include "app/files/chart_export.h"

#include <QBuffer>
#include <QChartView>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsView>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "core/errors.h"

namespace actinfit {

QByteArray PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

namespace {

// The view's whole visible area, drawn into `target` (in the painter's coordinates).
void DrawChart(QGraphicsView& chart, QPainter& painter, const QSize& size) {
  painter.setRenderHint(QPainter::Antialiasing);
  chart.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), QRect(QPoint(0, 0), size),
               Qt::IgnoreAspectRatio);
}

QByteArray Png(QGraphicsView& chart, const QSize& size) {
  QImage image(size * 2, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(2);
  image.fill(Qt::white);
  QPainter painter(&image);
  DrawChart(chart, painter, size);
  painter.end();
  return PngBytes(image);
}

QByteArray Svg(QGraphicsView& chart, const QSize& size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setTitle(QStringLiteral("actinfit chart"));
  QPainter painter(&svg);
  DrawChart(chart, painter, size);
  painter.end();
  return bytes;
}

// One page of the chart's size, one point per screen pixel.
QByteArray Pdf(QGraphicsView& chart, const QSize& size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&buffer);
  pdf.setCreator(QStringLiteral("actinfit"));
  pdf.setResolution(72);
  pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter(&pdf);
  DrawChart(chart, painter, size);
  painter.end();
  return bytes;
}

}  // namespace

void LayOutHiddenChart(QChartView& chart, const QSize& size) {
  if (chart.isVisible()) return;
  chart.resize(size);
  // A hidden view passes no size on to its chart, also when its page's layout gave the view
  // this size long ago; the chart would draw at its minimum size, every label cut to "...".
  chart.chart()->resize(size);
  // The chart lays out its axes on a posted request that a hidden page never gets to: lay them
  // out now, or the export shows them collapsed into a corner.
  if (QGraphicsLayout* layout = chart.chart()->layout()) layout->activate();
  chart.setSceneRect(chart.chart()->geometry());
}

QString PictureFormat(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == u"png" || suffix == u"svg" || suffix == u"pdf") return suffix;
  throw Error(QStringLiteral("Cannot export a chart as '%1': the file name must end in .png, "
                             ".svg or .pdf")
                  .arg(path)
                  .toStdString());
}

QByteArray ChartPicture(QGraphicsView& chart, const QSize& size, const QString& format) {
  if (format == u"svg") return Svg(chart, size);
  if (format == u"pdf") return Pdf(chart, size);
  return Png(chart, size);
}

}  // namespace actinfit
