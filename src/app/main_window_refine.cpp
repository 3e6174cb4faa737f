// The Fit menu's handlers: the least-squares refinement of the marked parameters and the report
// of how well each is known. The arithmetic is the core's (core/refine.h, core/fit_statistics.h);
// the profile intervals are in main_window_profile.cpp.
#include <QAction>
#include <QPushButton>
#include <QToolButton>

#include "app/charts/chart_view.h"
#include "app/dialogs/fit_report_dialog.h"
#include "app/main_window.h"
#include "app/support/enabled_follower.h"
#include "app/support/field_text.h"
#include "app/support/operation_guard.h"
#include "core/readout_report.h"
#include "core/refine.h"

namespace actinfit {

void TfmMain::ConnectRefine() {
  connect(menus_.fit.acRefine, &QAction::triggered, this, guarded(&TfmMain::RefineClick));
  connect(menus_.fit.acProfile, &QAction::triggered, this, guarded(&TfmMain::ProfileClick));
  connect(menus_.fit.acFitReport, &QAction::triggered, this, guarded(&TfmMain::ShowFitReport));
  // Each follows the Apply button, which every other long operation turns off, and stays on
  // while its own operation runs, so that it can stop it.
  for (QAction* action : {menus_.fit.acRefine, menus_.fit.acProfile}) {
    FollowEnabled(action, ui_.btApply, [this, action] { return operations_.Contains(action); });
  }
  menus_.fit.acFitReport->setEnabled(false);  // nothing to report yet
}

void TfmMain::RefineClick() {
  if (TOperationGuard::AskToStop(menus_.fit.acRefine))
    return;  // seen at the refinement's next report
  btApplyClick();
  CheckSearchedStepCount();
  RunRefinement();
  // After an error the report stays as it was: of the last refinement that ended.
  menus_.fit.acFitReport->setEnabled(lastFit_.has_value());
}

std::vector<QObject*> TfmMain::FitOperationsOff() {
  return {ui_.btApply, ui_.btCalculate,       ui_.btFit, ui_.btEstimate, ui_.btSeries,
          ui_.Button1, menus_.fit.acFitReport};
}

void TfmMain::RunRefinement() {
  const TOperationGuard running(OperationPlace(),
                                {.stop = menus_.fit.acRefine, .off = FitOperationsOff()});
  RefineRecord([&running] { return running.StopRequested(); });
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

const TReadouts& TfmMain::CurrentReadouts() const {
  const TModel& m = *model_;
  if (!readouts_ || readouts_->time != m.Time || readouts_->data != m.Data) {
    readouts_ = TSavedTraceReadouts{m.Time, m.Data, TraceReadouts(m.Time, m.Data)};
  }
  return readouts_->readouts;
}

std::vector<std::string> TfmMain::ReadoutLines() const {
  const TModel& m = *model_;
  const TReadouts& readouts = CurrentReadouts();
  return ReadoutCommentLines(readouts, ActinReadouts(readouts, m.Init[0], readoutConstants_),
                             readoutConstants_, probedSeparator_);
}

void TfmMain::ShowFitReport() {
  if (!lastFit_) return;
  // One report at a time: a new one replaces the last.
  delete findChild<TFitReportDialog*>();
  const TReadoutTrace trace{{}, {}, model_->Init[0], readoutConstants_, CurrentReadouts()};
  auto* dialog = new TFitReportDialog(*lastFit_, this, &trace);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  // The saved results read the trace with the constants last typed there.
  connect(dialog->Readouts(), &TReadoutsPage::ConstantsChanged, this,
          [this](const TReadoutConstants& constants) { readoutConstants_ = constants; });
  dialog->show();
}

}  // namespace actinfit
