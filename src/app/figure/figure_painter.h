// Draws a figure description with a painter: legend, main panel, residual panel, axes.
#pragma once

#include <QSizeF>

#include "app/figure/figure.h"

class QPainter;

namespace actinfit {

// Draws `figure` on a white page of `page` device units, `unitsPerMm` of them to a millimetre
// (fonts are sized for that). Raises an error when the page is too small for its axes.
void PaintFigure(QPainter& painter, const QSizeF& page, double unitsPerMm,
                 const FigureDescription& figure);

}  // namespace actinfit
