// The "Fit" menu of the menu bar: the least-squares refinement, the profile intervals and the
// report, and the fit of a dilution series in a window of its own. Builds the actions only; the
// window connects them to its handlers.
#pragma once

class QAction;
class QMainWindow;
class QMenu;

namespace actinfit {

struct FitMenu {
  QMenu* menu;
  QAction* acRefine;     // "Refine (least squares)", Ctrl+R
  QAction* acProfile;    // "Profile intervals"
  QAction* acFitReport;  // "Fit report..."
  QAction* acFitSeries;  // "Fit a dilution series...": the series window
};

// Adds the menu at the end of the window's menu bar.
FitMenu BuildFitMenu(QMainWindow& window);

}  // namespace actinfit
