#include "app/files/data_columns.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "core/errors.h"

namespace actinfit {

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString DroppedDataFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return {};
  const QList<QUrl> urls = mime->urls();
  return urls.size() == 1 && urls[0].isLocalFile() ? urls[0].toLocalFile() : QString();
}

void CheckReadingsColumn(const TDataTable& table, int column, const QString& path) {
  const int columns = static_cast<int>(table.Columns.size());
  if (column >= 1 && column < columns) return;
  throw Error(QStringLiteral("'%1' has no readings column %2: its columns of numbers are 0 (the "
                             "time) to %3")
                  .arg(path)
                  .arg(column)
                  .arg(columns - 1)
                  .toStdString());
}

TSourceParts DataSourceParts(const QString& path, const TDataTable& table, int column) {
  const auto index = static_cast<size_t>(column);
  QString name =
      index < table.Names.size() ? QString::fromStdString(table.Names[index]).trimmed() : QString();
  if (name.isEmpty()) name = QStringLiteral("column %1").arg(column);
  return {QFileInfo(path).fileName().toStdString(), {}, name.toStdString()};
}

QString DataSourceName(const QString& path, const TDataTable& table, int column) {
  return QString::fromStdString(SourceNameOfParts(DataSourceParts(path, table, column)));
}

}  // namespace actinfit
