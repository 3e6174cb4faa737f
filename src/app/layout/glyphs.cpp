#include "app/layout/glyphs.h"

#include <QBitmap>
#include <QImage>
#include <QPixmap>

namespace actinfit {

namespace {

QPixmap Transparent(const QImage& image) {
  QPixmap pixmap = QPixmap::fromImage(image);
  if (image.isNull()) return pixmap;
  const QRgb background = image.pixel(0, image.height() - 1);
  pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(background, Qt::MaskInColor)));
  return pixmap;
}

}  // namespace

QIcon Glyph(const QString& name, bool twoImages) {
  const QImage image(QStringLiteral(":/glyphs/%1.xpm").arg(name));
  QIcon icon;
  if (!twoImages) {
    icon.addPixmap(Transparent(image));
    return icon;
  }
  const int half = image.width() / 2;
  icon.addPixmap(Transparent(image.copy(0, 0, half, image.height())), QIcon::Normal);
  icon.addPixmap(Transparent(image.copy(half, 0, half, image.height())), QIcon::Disabled);
  return icon;
}

}  // namespace actinfit
