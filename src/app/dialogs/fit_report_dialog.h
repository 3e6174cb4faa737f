// The fit report of the last refinement: per parameter its value, standard error, 95 % interval
// and status; the correlation matrix with the poorly determined pairs highlighted; the measures
// of fit. Copy puts the report on the clipboard as text.
#pragma once

#include <QDialog>
#include <QString>

#include "core/fit_statistics.h"

namespace actinfit {

class TFitReportDialog final : public QDialog {
  Q_OBJECT

 public:
  TFitReportDialog(const TFitStatistics& statistics, QWidget* parent);

  // The report as the Copy button puts it on the clipboard.
  const QString& Text() const { return text_; }

 private:
  QString text_;
};

}  // namespace actinfit
