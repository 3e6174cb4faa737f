// Fit > Profile intervals: how far each refined quantity can move before the fit gets
// significantly worse, run like the refinement (a second trigger or Esc stops it, the other
// operations are off meanwhile). The arithmetic is the core's (core/profile.h).
#include <QAction>

#include "app/main_window.h"
#include "app/support/operation_guard.h"

namespace actinfit {

void TfmMain::ProfileClick() {
  if (TOperationGuard::AskToStop(menus_.fit.acProfile))
    return;  // seen at the profile's next report
  btApplyClick();
  CheckSearchedStepCount();
  const bool profiled = RunProfile();
  menus_.fit.acFitReport->setEnabled(lastFit_.has_value());
  if (profiled) ShowFitReport();
}

bool TfmMain::RunProfile() {
  const TOperationGuard running(OperationPlace(),
                                {.stop = menus_.fit.acProfile, .off = FitOperationsOff()});
  const auto stopRequested = [&running] { return running.StopRequested(); };
  // The intervals are those around a refinement's best point: refine first unless the record
  // holds one.
  if (!RestoreRefinedResult() && RefineRecord(stopRequested).Stopped) return false;
  // A click delivered here may run Apply and replace the record; nothing of it is held.
  const auto progress = [this, &stopRequested](const TProfileProgress&) {
    RunPendingEvents();
    return !stopRequested();
  };
  KeepProfile(ProfileIntervals(CurrentModel(), progress));
  return true;
}

void TfmMain::KeepProfile(const TProfileResult& profile) {
  if (profile.BestMoved) {
    // The profile found a better fit: the record holds it, and the result moves there.
    WriteParameterFields(kRefineKnucDigits);
    AppendResultLine(profile.SSRMin / profile.Points);
    lastFit_ = FitStatistics(*model_, *lastRefinement_);
    RememberRefinedResult();
  }
  btCalculateClick();
  lastFit_->Profile = profile;
}

}  // namespace actinfit
