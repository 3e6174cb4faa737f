// File > Save analysis... and Open analysis...: the whole window in one file and back. The
// format is the core's (core/analysis.h); which controls it keeps is in app/files.
#include <QAction>
#include <QFileInfo>

#include "app/charts/chart_view.h"
#include "app/dialogs/file_dialogs.h"
#include "app/dialogs/fit_report_dialog.h"
#include "app/dialogs/readouts_page.h"
#include "app/files/analysis_controls.h"
#include "app/files/analysis_file.h"
#include "app/main_window.h"
#include "app/series/series_window.h"
#include "app/support/pane_lines.h"
#include "core/errors.h"
#include "core/fit_report.h"

namespace actinfit {

namespace {

// The record a refinement left, from the data of `record` and the refined values of `refined`.
TModel RefinedRecord(const TModel& record, const TRefinedResult& refined) {
  TModel m = record;
  m.Param = refined.Param;
  m.Min = refined.Min;
  m.Max = refined.Max;
  m.Fit = refined.Fit;
  m.Init = {refined.GActin, 0, 0};
  m.Dt = refined.Dt;
  return m;
}

}  // namespace

void TfmMain::SaveAnalysis(const QString& path) {
  ShowModelColumn();  // what the pane shows once the last handler has ended
  WriteAnalysisFile(path, CurrentAnalysis());
  NameAnalysisFile(path);
}

void TfmMain::OpenAnalysis(const QString& path) {
  const TfmSeries* series = findChild<TfmSeries*>();
  if (OperationRunning() || (series != nullptr && series->Running())) {
    throw Error("An analysis opens once the running operation has ended: stop it or wait");
  }
  TAnalysis analysis = ReadAnalysisFile(path);
  ChangeDecimalMark(analysis, probedSeparator_);
  ShowAnalysis(analysis);
  NameAnalysisFile(path);
}

QString TfmMain::FitReportText() const {
  if (!lastFit_) return {};
  // The report's Copy: the report, then its Readouts page for the current trace.
  const TReadoutTrace trace{{}, {}, model_->Init[0], readoutConstants_, CurrentReadouts()};
  const TReadoutsPage readouts(trace, nullptr);
  return QString::fromStdString(actinfit::FitReportText(*lastFit_)) +
         QStringLiteral("\nReadouts\n") + readouts.Text() + QStringLiteral("\n");
}

TAnalysis TfmMain::CurrentAnalysis() const {
  TAnalysis a;
  a.Source = dataSource_.toStdString();
  a.SourceParts = sourceParts_;
  a.Record = *model_;
  a.DecimalMark = probedSeparator_;
  ReadControls(ControlsOfAnalysis(ui_), a);
  a.ResultOrigins = ResultOrigins(ReadLines(*ui_.mResults), resultLog_);
  for (const QPointF& point : ui_.serSSE->Points()) a.ErrorChart.push_back({point.x(), point.y()});
  a.Refinement = lastRefinement_;
  a.Statistics = lastFit_;
  // The refined result is of use only to a record of the same data.
  if (refinedRecord_ && refinedRecord_->Time == model_->Time &&
      refinedRecord_->Data == model_->Data) {
    const TModel& r = *refinedRecord_;
    a.Refined = TRefinedResult{r.Param, r.Min, r.Max, refinedShown_, r.Fit, r.Init[0], r.Dt};
  }
  a.Readouts = TSavedReadouts{readoutConstants_, CurrentReadouts()};
  if (const TfmSeries* series = findChild<TfmSeries*>()) a.Series = series->Saved();
  return a;
}

void TfmMain::ShowAnalysis(const TAnalysis& analysis) {
  delete findChild<TFitReportDialog*>();  // the report of the analysis it replaces
  WriteControls(ControlsOfAnalysis(ui_), analysis);
  dataSource_ = QString::fromStdString(analysis.Source);
  sourceParts_ = analysis.SourceParts;
  model_ = std::make_unique<TModel>(analysis.Record);
  // The readouts as kept, not read again; a file from before them had the default constants.
  readoutConstants_ = analysis.Readouts ? analysis.Readouts->Constants : TReadoutConstants{};
  readouts_.reset();
  if (analysis.Readouts) readouts_ = {model_->Time, model_->Data, analysis.Readouts->Trace};
  ui_.serData->Clear();
  for (int32_t i = 0; i < model_->Count; ++i) ui_.serData->Add(model_->Time[i], model_->Data[i]);
  ShowCurves();
  // The model column is the pane's text as saved.
  modelColumn_ = model_->Fitted;
  modelColumnPending_ = false;
  ui_.serSSE->Clear();
  for (const auto& [x, y] : analysis.ErrorChart) ui_.serSSE->Add(x, y);
  charts_.Request();

  resultLog_.clear();
  const std::vector<std::string> lines = ReadLines(*ui_.mResults);
  for (size_t i = 0; i < lines.size() && i < analysis.ResultOrigins.size(); ++i) {
    if (analysis.ResultOrigins[i]) resultLog_.push_back({lines[i], *analysis.ResultOrigins[i]});
  }
  ShowRefinedResult(analysis);
  TfmSeries* series = findChild<TfmSeries*>();
  if (analysis.Series && series == nullptr) series = new TfmSeries(*this);
  if (series != nullptr) series->Restore(analysis.Series.value_or(TSavedSeries{}));
}

void TfmMain::ShowRefinedResult(const TAnalysis& analysis) {
  lastRefinement_ = analysis.Refinement;
  lastFit_ = analysis.Statistics;
  refinedRecord_.reset();
  if (analysis.Refined) {
    refinedRecord_ = RefinedRecord(analysis.Record, *analysis.Refined);
    refinedShown_ = analysis.Refined->Shown;
  }
  menus_.fit.acFitReport->setEnabled(lastFit_.has_value());
}

void TfmMain::NameAnalysisFile(const QString& path) {
  setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") + title_);
}

void TfmMain::acOpenAnalysisClick() {
  const QString path = AskAnalysisFileToOpen(this);
  if (!path.isEmpty()) OpenAnalysis(path);
}

void TfmMain::acSaveAnalysisClick() {
  const QString path = AskAnalysisFileToSave(this);
  if (!path.isEmpty()) SaveAnalysis(path);
}

}  // namespace actinfit
