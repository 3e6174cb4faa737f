#include "app/layout/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace actinfit {

namespace {

// The first family of `wanted` that is installed; the last one when none is.
QString NearestFamily(const QStringList& wanted) {
  const QStringList installed = QFontDatabase::families();
  for (const QString& family : wanted) {
    if (installed.contains(family, Qt::CaseInsensitive)) return family;
  }
  return wanted.back();
}

const QString& SansFamily() {
  static const QString family =
      NearestFamily({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial",
                     "DejaVu Sans Condensed", "DejaVu Sans"});
  return family;
}

const QString& MonoFamily() {
  static const QString family =
      NearestFamily({"Courier New", "Liberation Mono", "DejaVu Sans Mono", "Monospace"});
  return family;
}

// The layout is drawn for 96 pixels per inch; sizes are given in pixels so that it holds on
// screens of any resolution.
QFont MakeFont(const QString& family, int pixels, bool bold, QFont::StyleHint hint) {
  QFont font(family);
  font.setStyleHint(hint);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

QFont WindowFont(bool bold) {
  return MakeFont(SansFamily(), 11, bold, QFont::SansSerif);
}

QFont CaptionFont(bool bold) {
  return MakeFont(SansFamily(), 13, bold, QFont::SansSerif);
}

QFont PaneFont() {
  return MakeFont(MonoFamily(), 13, false, QFont::TypeWriter);
}

}  // namespace actinfit
