// The fit report of the last refinement, to be read at a glance: a table with one row per
// parameter (value, standard error, 95 % interval, profile interval once computed, status in
// words); the correlation matrix with the poorly determined pairs highlighted; the measures of
// fit in sentences; the residuals plotted beside the runs test's verdict; and, once computed, a
// page of the profiles. Copy puts the report on the clipboard as tab-separated text.
#pragma once

#include <QDialog>
#include <QString>

class QTableWidget;

#include "app/dialogs/readouts_page.h"
#include "core/fit_statistics.h"

namespace actinfit {

class TFitReportDialog final : public QDialog {
  Q_OBJECT

 public:
  // With `trace`, a page of its model-free readouts too.
  TFitReportDialog(const TFitStatistics& statistics, QWidget* parent,
                   const TReadoutTrace* trace = nullptr);

  // The report as the Copy button puts it on the clipboard.
  QString Text() const;

  // The readouts page; null without a trace.
  TReadoutsPage* Readouts() const { return readouts_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString text_;
  QTableWidget* parameters_ = nullptr;
  TReadoutsPage* readouts_ = nullptr;  // the table the default width is made for
  bool sized_ = false;
};

}  // namespace actinfit
