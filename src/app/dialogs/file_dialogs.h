// The file names the File menu asks for. Each returns an empty text when the user cancels.
#pragma once

#include <QString>

class QWidget;

namespace actinfit {

QString AskDataFileToOpen(QWidget* parent);

// An analysis file (.actinfit) to open, and one to save (the extension added when not typed).
QString AskAnalysisFileToOpen(QWidget* parent);
QString AskAnalysisFileToSave(QWidget* parent);

// A tab-separated text file to save, under the dialog title `title`.
QString AskTableFileToSave(QWidget* parent, const QString& title);

struct ChartExport {
  int chart = 0;  // 1 the data chart, 2 the error chart; 0 when the user cancelled
  QString path;
};

// Which chart, then the picture file; `current` is the chart offered first.
ChartExport AskChartExport(QWidget* parent, int current);

// A picture file name (PNG, SVG or PDF); empty when the user cancelled.
QString AskPictureFileToSave(QWidget* parent, const QString& title);

}  // namespace actinfit
