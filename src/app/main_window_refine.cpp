// The Fit menu's handlers: the least-squares refinement of the marked parameters and the report
// of how well each is known. The arithmetic is the core's (core/refine.h, core/fit_statistics.h);
// the profile intervals are in main_window_profile.cpp.
#include <QAction>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>

#include "app/charts/chart_view.h"
#include "app/dialogs/fit_report_dialog.h"
#include "app/main_window.h"
#include "app/support/enabled_follower.h"
#include "app/support/field_text.h"
#include "app/support/run_marks.h"
#include "core/refine.h"

namespace actinfit {

void TfmMain::ConnectRefine() {
  connect(menus_.fit.acRefine, &QAction::triggered, this, guarded(&TfmMain::RefineClick));
  connect(menus_.fit.acProfile, &QAction::triggered, this, guarded(&TfmMain::ProfileClick));
  connect(menus_.fit.acFitReport, &QAction::triggered, this, guarded(&TfmMain::ShowFitReport));
  FollowEnabled(menus_.fit.acRefine, ui_.btApply, [this] { return refining_; });
  FollowEnabled(menus_.fit.acProfile, ui_.btApply, [this] { return profiling_; });
  menus_.fit.acFitReport->setEnabled(false);  // nothing to report yet
}

void TfmMain::RefineClick() {
  if (refining_) {
    refineStopRequested_ = true;  // seen at the refinement's next report
    return;
  }
  btApplyClick();

  QAction* report = menus_.fit.acFitReport;
  const TRunningOperations::TEntry running(operations_, menus_.fit.acRefine);
  refining_ = true;
  refineStopRequested_ = false;
  SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btFit, ui_.btEstimate, ui_.btSeries, ui_.Button1},
             false);
  report->setEnabled(false);
  // However the refinement ends, the window is ready for the next operation.
  const auto idle = qScopeGuard([this, report] {
    refining_ = false;
    SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btFit, ui_.btEstimate, ui_.btSeries, ui_.Button1},
               true);
    report->setEnabled(lastFit_.has_value());
  });

  RefineRecord([this] { return refineStopRequested_; });
}

TRefinement TfmMain::RefineRecord(const std::function<bool()>& stopRequested) {
  // A click delivered here may run Apply and replace the record; nothing of it is held.
  const auto progress = [this, &stopRequested](const TRefineProgress&) {
    RunPendingEvents();
    return !stopRequested();
  };
  TRefinement result = RefineLeastSquares(CurrentModel(), progress);

  WriteParameterFields(kRefineKnucDigits);
  AppendResultLine(result.Error);
  ui_.serSSE->Clear();
  for (size_t i = 0; i < result.BestStartPath.size(); ++i) {
    ui_.serSSE->Add(static_cast<double>(i), result.BestStartPath[i]);
  }
  charts_.Request();
  lastRefinement_ = result;
  lastFit_ = FitStatistics(*model_, result);
  btCalculateClick();
  if (!result.Stopped) RememberRefinedResult();
  return result;
}

void TfmMain::RememberRefinedResult() {
  refinedRecord_ = *model_;
  for (size_t k = 0; k < ui_.params.size(); ++k) refinedShown_[k] = ReadReal(ui_.params[k].value);
}

bool TfmMain::RestoreRefinedResult() {
  if (!refinedRecord_) return false;
  const TModel& now = *model_;
  const TModel& then = *refinedRecord_;
  if (now.Time != then.Time || now.Data != then.Data || now.Min != then.Min ||
      now.Max != then.Max || now.Fit != then.Fit || now.Init != then.Init || now.Dt != then.Dt ||
      now.Param != refinedShown_) {
    return false;
  }
  model_->Param = then.Param;
  btCalculateClick();
  return true;
}

void TfmMain::ShowFitReport() {
  if (!lastFit_) return;
  // One report at a time: a new one replaces the last.
  delete findChild<TFitReportDialog*>();
  auto* dialog = new TFitReportDialog(*lastFit_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
}

}  // namespace actinfit
