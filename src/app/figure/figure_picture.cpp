#include "app/figure/figure_picture.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>

#include "app/figure/figure_painter.h"
#include "app/files/chart_export.h"
#include "core/errors.h"

namespace actinfit {

namespace {

constexpr double kMmPerInch = 25.4;
// SVG coordinates in tenths of a millimetre: whole numbers for any size given in tenths.
constexpr double kSvgUnitsPerMm = 10;
constexpr int kPdfDpi = 1200;

QString Number(double value) {
  return QString::number(value, 'g', 6);
}

void CheckSize(double widthMm, double heightMm, int dpi, bool raster) {
  for (const double mm : {widthMm, heightMm}) {
    if (!(mm >= kFigureMinMm && mm <= kFigureMaxMm)) {
      throw Error(
          QStringLiteral("A figure of %1 x %2 mm cannot be made: width and height must "
                         "lie between %3 and %4 mm")
              .arg(Number(widthMm), Number(heightMm), Number(kFigureMinMm), Number(kFigureMaxMm))
              .toStdString());
    }
  }
  if (!raster) return;
  if (dpi < kFigureMinDpi || dpi > kFigureMaxDpi) {
    throw Error(QStringLiteral("A resolution of %1 dpi cannot be used: it must lie between %2 "
                               "and %3 dpi")
                    .arg(dpi)
                    .arg(kFigureMinDpi)
                    .arg(kFigureMaxDpi)
                    .toStdString());
  }
  const QSize pixels = FigurePixels(widthMm, heightMm, dpi);
  if (double(pixels.width()) * pixels.height() > kFigureMaxPixels) {
    throw Error(QStringLiteral("A figure of %1 x %2 mm at %3 dpi would be %4 x %5 pixels, more "
                               "than a picture can hold: choose a lower resolution or a vector "
                               "format (SVG, PDF)")
                    .arg(Number(widthMm), Number(heightMm))
                    .arg(dpi)
                    .arg(pixels.width())
                    .arg(pixels.height())
                    .toStdString());
  }
}

QByteArray Png(const FigureDescription& figure, double widthMm, double heightMm, int dpi) {
  QImage image(FigurePixels(widthMm, heightMm, dpi), QImage::Format_RGB32);
  const int dotsPerMetre = static_cast<int>(std::lround(dpi / kMmPerInch * 1000));
  image.setDotsPerMeterX(dotsPerMetre);
  image.setDotsPerMeterY(dotsPerMetre);
  QPainter painter(&image);
  PaintFigure(painter, image.size(), dpi / kMmPerInch, figure);
  painter.end();
  return PngBytes(image);
}

QByteArray Svg(const FigureDescription& figure, double widthMm, double heightMm) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const QSizeF page(widthMm * kSvgUnitsPerMm, heightMm * kSvgUnitsPerMm);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setResolution(static_cast<int>(kSvgUnitsPerMm * kMmPerInch));  // 254 units per inch
  svg.setSize(page.toSize());
  svg.setViewBox(QRectF(QPointF(0, 0), page));
  svg.setTitle(QStringLiteral("actinfit figure"));
  QPainter painter(&svg);
  PaintFigure(painter, page, kSvgUnitsPerMm, figure);
  painter.end();
  return bytes;
}

QByteArray Pdf(const FigureDescription& figure, double widthMm, double heightMm) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&buffer);
  pdf.setCreator(QStringLiteral("actinfit"));
  pdf.setTitle(QStringLiteral("actinfit figure"));
  pdf.setResolution(kPdfDpi);
  pdf.setPageSize(QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter(&pdf);
  PaintFigure(painter, QSizeF(pdf.width(), pdf.height()), kPdfDpi / kMmPerInch, figure);
  painter.end();
  return bytes;
}

}  // namespace

QSize FigurePixels(double widthMm, double heightMm, int dpi) {
  return {static_cast<int>(std::lround(widthMm / kMmPerInch * dpi)),
          static_cast<int>(std::lround(heightMm / kMmPerInch * dpi))};
}

QByteArray FigurePicture(const FigureDescription& figure, double widthMm, double heightMm, int dpi,
                         const QString& format) {
  CheckSize(widthMm, heightMm, dpi, format == u"png");
  if (format == u"svg") return Svg(figure, widthMm, heightMm);
  if (format == u"pdf") return Pdf(figure, widthMm, heightMm);
  return Png(figure, widthMm, heightMm, dpi);
}

}  // namespace actinfit
