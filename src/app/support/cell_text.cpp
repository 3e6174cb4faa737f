#include "app/support/cell_text.h"

#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QString>
#include <cmath>
#include <initializer_list>

#include "core/numtext.h"

namespace actinfit {

namespace {

// The widest of `cells` in the pane's font, plus the width of two blanks between columns.
void SetTabStops(QPlainTextEdit& pane, std::initializer_list<std::string> cells) {
  const QFontMetricsF metrics(pane.font());
  double widest = 0;
  for (const std::string& cell : cells) {
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(cell)));
  }
  pane.setTabStopDistance(std::ceil(widest + metrics.horizontalAdvance(QStringLiteral("  "))));
}

}  // namespace

std::string GeneralText(double value) {
  return FormatReal(value, FloatStyle::General, 15, 0);
}

void LineUpResultColumns(QPlainTextEdit& pane) {
  // The longest texts of each style: five integer digits and five decimals, a negative
  // mantissa with a three-digit exponent. Digits are drawn with one width in the usual fonts;
  // eights and zeros stand for all of them.
  SetTabStops(pane, {ResultErrorText(-88888.4), ResultErrorText(-10000.4),
                     ResultParameterText(-8.8888e-188), ResultParameterText(-1.0000e-100)});
}

void LineUpSensitivityColumns(QPlainTextEdit& pane) {
  // Fifteen digits with a negative three-digit exponent, or behind "0.000" when a value is
  // just above the exponent form's threshold.
  SetTabStops(pane, {GeneralText(-8.88888888888888e-288), GeneralText(-1.00000000000001e-100),
                     GeneralText(-0.000888888888888888), "P2|P1"});
}

}  // namespace actinfit
