#include "app/dialogs/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QRegularExpression>
#include <QStringList>

namespace actinfit {

namespace {

// A name typed without an extension takes the one of the chosen filter ("PNG image (*.png)").
QString WithFilterSuffix(const QString& path, const QString& filter) {
  if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
  static const QRegularExpression firstPattern(QStringLiteral("\\*\\.(\\w+)"));
  const QRegularExpressionMatch match = firstPattern.match(filter);
  return match.hasMatch() ? path + u'.' + match.captured(1) : path;
}

}  // namespace

QString AskDataFileToOpen(QWidget* parent) {
  return QFileDialog::getOpenFileName(
      parent, QStringLiteral("Open data"), QString(),
      QStringLiteral("Data files (*.csv *.tsv *.txt *.dat *.xlsx);;All files (*)"));
}

QString AskAnalysisFileToOpen(QWidget* parent) {
  return QFileDialog::getOpenFileName(parent, QStringLiteral("Open analysis"), QString(),
                                      QStringLiteral("Analyses (*.actinfit);;All files (*)"));
}

QString AskAnalysisFileToSave(QWidget* parent) {
  QString filter = QStringLiteral("Analyses (*.actinfit)");
  const QString path =
      QFileDialog::getSaveFileName(parent, QStringLiteral("Save analysis"), QString(), filter);
  return WithFilterSuffix(path, filter);
}

QString AskTableFileToSave(QWidget* parent, const QString& title) {
  QString filter = QStringLiteral("Tab-separated text (*.tsv)");
  const QString path = QFileDialog::getSaveFileName(
      parent, title, QString(), filter + QStringLiteral(";;Text (*.txt);;All files (*)"), &filter);
  return WithFilterSuffix(path, filter);
}

ChartExport AskChartExport(QWidget* parent, int current) {
  const QStringList charts = {QStringLiteral("Data chart (time course)"),
                              QStringLiteral("Error chart (fitting)")};
  bool ok = false;
  const QString chosen =
      QInputDialog::getItem(parent, QStringLiteral("Export chart"), QStringLiteral("Chart:"),
                            charts, current - 1, false, &ok);
  if (!ok) return {};
  const QString path = AskPictureFileToSave(parent, QStringLiteral("Export chart"));
  if (path.isEmpty()) return {};
  return {static_cast<int>(charts.indexOf(chosen)) + 1, path};
}

QString AskPictureFileToSave(QWidget* parent, const QString& title) {
  QString filter = QStringLiteral("PNG image (*.png)");
  const QString path = QFileDialog::getSaveFileName(
      parent, title, QString(),
      filter + QStringLiteral(";;SVG drawing (*.svg);;PDF document (*.pdf)"), &filter);
  return WithFilterSuffix(path, filter);
}

}  // namespace actinfit
