// The series window as an analysis file keeps it, and that state shown again without fitting:
// the traces with their points and table cells, the fields, the last fit, its curves and report.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTableWidget>

#include "app/series/series_chart.h"
#include "app/series/series_report_view.h"
#include "app/series/series_window.h"
#include "app/support/readout_constant_fields.h"
#include "core/series_curves.h"

namespace actinfit {

namespace {

template <typename Value>
const Value* Named(const std::vector<std::pair<std::string, Value>>& named,
                   const QObject* control) {
  const std::string name = control->objectName().toStdString();
  for (const auto& [key, value] : named) {
    if (key == name) return &value;
  }
  return nullptr;
}

}  // namespace

std::vector<QLineEdit*> TfmSeries::Fields() const {
  std::vector<QLineEdit*> fields;
  for (int32_t r = 0; r < kSeriesRates; ++r)
    fields.insert(fields.end(), {edRate_[r], edMin_[r], edMax_[r]});
  fields.insert(fields.end(), {edTStep_, edReadoutCc_, edReadoutKplus_});
  return fields;
}

TSavedSeries TfmSeries::Saved() const {
  TSavedSeries saved;
  for (int32_t row = 0; row < tbTraces_->rowCount(); ++row) {
    const SeriesSource& source = sources_[static_cast<size_t>(row)];
    TSavedSeriesTrace trace{
        source.name.toStdString(), source.time, source.data, {}, false, source.readouts};
    for (int32_t column = 0; column < kSeriesColumns; ++column) {
      const QTableWidgetItem* item = tbTraces_->item(row, column);
      trace.Cells.push_back(item != nullptr ? item->text().toStdString() : std::string());
      if (column == kColFitTShift && item != nullptr)
        trace.FitTShift = item->checkState() == Qt::Checked;
    }
    saved.Traces.push_back(std::move(trace));
  }
  for (const QLineEdit* field : Fields()) {
    saved.Fields.emplace_back(field->objectName().toStdString(), field->text().toStdString());
  }
  for (const QCheckBox* mark : chbRate_) {
    saved.Marks.emplace_back(mark->objectName().toStdString(), mark->isChecked());
  }
  saved.Scaling = cbScaling_->currentIndex();
  saved.Progress = lbProgress_->text().toStdString();
  saved.Report = mReport_->Text().toStdString();
  if (fit_ && fitted_) {
    saved.Fitted = fitted_;
    saved.Fit = fit_;
    saved.Curves = SeriesCurves(*fitted_, *fit_);  // as the chart draws them
  }
  return saved;
}

void TfmSeries::Restore(const TSavedSeries& saved) {
  {
    // Cells written here are no edit that makes the fit stale.
    const QSignalBlocker quiet(tbTraces_);
    tbTraces_->setRowCount(0);
    sources_.clear();
    for (const TSavedSeriesTrace& trace : saved.Traces) {
      // The readouts as kept; a file from before them has them read again.
      sources_.push_back(trace.Readouts ? SeriesSource{QString::fromStdString(trace.Source),
                                                       trace.Time, trace.Data, *trace.Readouts}
                                        : MakeSeriesSource(QString::fromStdString(trace.Source),
                                                           trace.Time, trace.Data));
      const int32_t row = tbTraces_->rowCount();
      // A row kept without its cells (the batch program keeps none) as the fitted trace was.
      const bool fitted = trace.Cells.empty() && saved.Fitted &&
                          static_cast<size_t>(row) < saved.Fitted->Traces.size();
      const TSeriesTrace shift = fitted ? saved.Fitted->Traces[row] : TSeriesTrace{};
      AppendTraceRow(*tbTraces_, sources_.back().name,
                     fitted ? SeriesNumber(shift.GActin) : QString(), shift);
      for (int32_t column = 0;
           column < kSeriesColumns && column < static_cast<int32_t>(trace.Cells.size()); ++column) {
        if (QTableWidgetItem* item = tbTraces_->item(row, column)) {
          item->setText(QString::fromStdString(trace.Cells[static_cast<size_t>(column)]));
        }
      }
      tbTraces_->item(row, kColFitTShift)
          ->setCheckState(trace.FitTShift ? Qt::Checked : Qt::Unchecked);
    }
  }
  // A file kept before Cc and k+ were fields of the window had the defaults.
  const TReadoutConstants defaults;
  edReadoutCc_->setText(ReadoutConstantText(defaults.Cc));
  edReadoutKplus_->setText(ReadoutConstantText(defaults.KPlus));
  for (QLineEdit* field : Fields()) {
    if (const std::string* text = Named(saved.Fields, field))
      field->setText(QString::fromStdString(*text));
  }
  for (QCheckBox* mark : chbRate_) {
    if (const bool* checked = Named(saved.Marks, mark)) mark->setChecked(*checked);
  }
  if (saved.Scaling >= 0 && saved.Scaling < cbScaling_->count())
    cbScaling_->setCurrentIndex(saved.Scaling);
  lbProgress_->setText(QString::fromStdString(saved.Progress));
  mReport_->Show(QString::fromStdString(saved.Report));
  fitted_ = saved.Fitted;
  fit_ = saved.Fit;
  chart_->Show(fitted_ ? *fitted_ : TSeries{}, saved.Curves);
  // A fit the batch program made comes without what the window writes from one: its results in
  // the rows, the rates in their fields, the report and the progress.
  if (fit_ && fitted_ && saved.Report.empty() && fit_->TShift.size() == sources_.size())
    ShowFit(fit_->Stopped, {});
  ReadReadoutConstants();
  RefreshReadouts();  // the readouts and their scaling follow from the traces restored
  EnableResults();
}

}  // namespace actinfit
