#include "app/files/save_file.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include "core/errors.h"

namespace actinfit {

void SaveFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  // Without a direct-write fallback, a folder where no temporary file can be made is an error.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    const QString reason = file.errorString();
    file.cancelWriting();  // the temporary file goes; the older file was never touched
    throw Error(QStringLiteral("Cannot write '%1': %2").arg(path, reason).toStdString());
  }
}

}  // namespace actinfit
