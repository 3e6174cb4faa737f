#include "app/files/analysis_file.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include "app/files/save_file.h"
#include "core/errors.h"

namespace actinfit {

namespace {

// Far beyond any analysis (a million points take about 60 MB); a larger file is not one.
constexpr qint64 kLargestAnalysis = qint64{1} << 30;

[[noreturn]] void Refuse(const QString& path, const QString& reason) {
  throw Error(QStringLiteral("Cannot open the analysis '%1': %2").arg(path, reason).toStdString());
}

}  // namespace

TAnalysis ReadAnalysisFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) Refuse(path, file.errorString());
  if (file.size() > kLargestAnalysis) Refuse(path, QStringLiteral("It is too large"));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) Refuse(path, file.errorString());
  try {
    return ParseAnalysis(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  } catch (const Error& error) {
    Refuse(path, QString::fromStdString(error.what()));
  }
}

void WriteAnalysisFile(const QString& path, const TAnalysis& analysis) {
  SaveFile(path, QByteArray::fromStdString(AnalysisText(analysis)));
}

bool IsAnalysisFile(const QString& path) {
  return QFileInfo(path).suffix().compare(QStringLiteral("actinfit"), Qt::CaseInsensitive) == 0;
}

}  // namespace actinfit
