// Fit > Profile intervals: how far each refined quantity can move before the fit gets
// significantly worse, run like the refinement (a second trigger or Esc stops it, the other
// operations are off meanwhile). The arithmetic is the core's (core/profile.h).
#include <QAction>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>

#include "app/main_window.h"
#include "app/support/run_marks.h"

namespace actinfit {

void TfmMain::ProfileClick() {
  if (profiling_) {
    profileStopRequested_ = true;  // seen at the profile's next report
    return;
  }
  btApplyClick();

  QAction* report = menus_.fit.acFitReport;
  const TRunningOperations::TEntry running(operations_, menus_.fit.acProfile);
  profiling_ = true;
  profileStopRequested_ = false;
  SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btFit, ui_.btEstimate, ui_.btSeries, ui_.Button1},
             false);
  report->setEnabled(false);
  // However the profile ends, the window is ready for the next operation.
  const auto idle = qScopeGuard([this, report] {
    profiling_ = false;
    SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btFit, ui_.btEstimate, ui_.btSeries, ui_.Button1},
               true);
    report->setEnabled(lastFit_.has_value());
  });

  // The intervals are those around a refinement's best point: refine first unless the record
  // holds one.
  if (!RestoreRefinedResult() && RefineRecord([this] { return profileStopRequested_; }).Stopped) {
    return;
  }
  // A click delivered here may run Apply and replace the record; nothing of it is held.
  const auto progress = [this](const TProfileProgress&) {
    RunPendingEvents();
    return !profileStopRequested_;
  };
  ShowProfile(ProfileIntervals(CurrentModel(), progress));
}

void TfmMain::ShowProfile(const TProfileResult& profile) {
  if (profile.BestMoved) {
    // The profile found a better fit: the record holds it, and the result moves there.
    WriteParameterFields(kRefineKnucDigits);
    AppendResultLine(profile.SSRMin / profile.Points);
    lastFit_ = FitStatistics(*model_, *lastRefinement_);
    RememberRefinedResult();
  }
  btCalculateClick();
  lastFit_->Profile = profile;
  ShowFitReport();
}

}  // namespace actinfit
