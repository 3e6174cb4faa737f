#include "app/layout/default_data.h"

#include <QFile>

namespace actinfit {

namespace {

QString ResourceText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QString text = QString::fromLatin1(file.readAll());
  // A pane's last line break would show as an empty line below the data.
  if (text.endsWith(u'\n')) text.chop(1);
  return text;
}

}  // namespace

QString DefaultTimeText() {
  return ResourceText(QStringLiteral(":/data/default_time.txt"));
}
QString DefaultDataText() {
  return ResourceText(QStringLiteral(":/data/default_data.txt"));
}
QString DefaultModelText() {
  return ResourceText(QStringLiteral(":/data/default_model.txt"));
}

}  // namespace actinfit
