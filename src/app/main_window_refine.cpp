// The Fit menu's handlers: the least-squares refinement of the marked parameters and the report
// of how well each is known. The arithmetic is the core's (core/refine.h, core/fit_statistics.h).
#include <QAction>
#include <QPushButton>
#include <QToolButton>

#include "app/charts/chart_view.h"
#include "app/dialogs/fit_report_dialog.h"
#include "app/main_window.h"
#include "app/support/enabled_follower.h"
#include "app/support/operation_guard.h"
#include "core/refine.h"

namespace actinfit {

namespace {

// The fields are written as the fit writes them: Knuc with two exponent digits.
constexpr int32_t kRefineKnucDigits = 2;

}  // namespace

void TfmMain::ConnectRefine() {
  connect(menus_.fit.acRefine, &QAction::triggered, this, guarded(&TfmMain::RefineClick));
  connect(menus_.fit.acFitReport, &QAction::triggered, this, guarded(&TfmMain::ShowFitReport));
  FollowEnabled(menus_.fit.acRefine, ui_.btApply,
                [this] { return operations_.Contains(menus_.fit.acRefine); });
  menus_.fit.acFitReport->setEnabled(false);  // nothing to report yet
}

void TfmMain::RefineClick() {
  if (TOperationGuard::AskToStop(menus_.fit.acRefine))
    return;  // seen at the refinement's next report
  btApplyClick();
  RunRefinement();
  // After an error the report stays as it was: of the last refinement that ended.
  menus_.fit.acFitReport->setEnabled(lastFit_.has_value());
}

void TfmMain::RunRefinement() {
  const TOperationGuard running(OperationPlace(),
                                {.stop = menus_.fit.acRefine,
                                 .off = {ui_.btApply, ui_.btCalculate, ui_.btFit, ui_.btEstimate,
                                         ui_.btSeries, ui_.Button1, menus_.fit.acFitReport}});
  // A click delivered here may run Apply and replace the record; nothing of it is held.
  const auto progress = [this, &running](const TRefineProgress&) {
    RunPendingEvents();
    return !running.StopRequested();
  };
  const TRefinement result = RefineLeastSquares(CurrentModel(), progress);

  WriteParameterFields(kRefineKnucDigits);
  AppendResultLine(result.Error);
  ui_.serSSE->Clear();
  for (size_t i = 0; i < result.BestStartPath.size(); ++i) {
    ui_.serSSE->Add(static_cast<double>(i), result.BestStartPath[i]);
  }
  charts_.Request();
  lastFit_ = FitStatistics(*model_, result);
  btCalculateClick();
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
