// A figure as a picture file: PNG at a chosen resolution, SVG or PDF as vectors with their text
// kept as text. Sizes in millimetres.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include "app/figure/figure.h"

namespace actinfit {

// The size a figure is made at unless the user chooses another.
inline constexpr double kFigureWidthMm = 160;
inline constexpr double kFigureHeightMm = 110;
inline constexpr int kFigureDpi = 300;
// What a figure may be: from a thumbnail to a poster, PNGs of at most 200 million pixels.
inline constexpr double kFigureMinMm = 40;
inline constexpr double kFigureMaxMm = 1000;
inline constexpr int kFigureMinDpi = 50;
inline constexpr int kFigureMaxDpi = 2400;
inline constexpr double kFigureMaxPixels = 200e6;

// The pixels of a PNG of that size at `dpi`: 160 mm at 300 dpi are 1890.
QSize FigurePixels(double widthMm, double heightMm, int dpi);

// `format` is "png", "svg" or "pdf"; `dpi` counts for PNG only. Raises an error saying what is
// wrong with a size or resolution out of range.
QByteArray FigurePicture(const FigureDescription& figure, double widthMm, double heightMm, int dpi,
                         const QString& format);

}  // namespace actinfit
