// A chart as a picture file: PNG at twice the on-screen resolution, SVG or PDF, chosen by the
// file name's extension.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class QChartView;
class QGraphicsView;
class QImage;

namespace actinfit {

// The picture format for a file name: "png", "svg" or "pdf"; raises an error naming the file
// for any other extension.
QString PictureFormat(const QString& path);

// A chart on a page that has not been shown was never laid out: gives it `size`, the size it
// takes when shown.
void LayOutHiddenChart(QChartView& chart, const QSize& size);

// The bytes of a PNG file of `image`.
QByteArray PngBytes(const QImage& image);

// The chart drawn at `size` (its on-screen size) in `format`.
QByteArray ChartPicture(QGraphicsView& chart, const QSize& size, const QString& format);

}  // namespace actinfit
