// The "Fit" menu of the menu bar: the least-squares refinement, the profile intervals and the
// report. Builds the actions only; the window connects them to its handlers.
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
};

// Adds the menu at the end of the window's menu bar.
FitMenu BuildFitMenu(QMainWindow& window);

}  // namespace actinfit
