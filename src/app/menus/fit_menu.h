// The "Fit" menu of the menu bar: the least-squares refinement and its report, and the fit of
// a dilution series in a window of its own. Builds the
// actions only; the window connects them to its handlers.
#pragma once

class QAction;
class QMainWindow;
class QMenu;

namespace actinfit {

struct FitMenu {
  QMenu* menu;
  QAction* acRefine;     // "Refine (least squares)", Ctrl+R
  QAction* acFitReport;  // "Fit report..."
  QAction* acFitSeries;  // "Fit a series...": the series window
};

// Adds the menu at the end of the window's menu bar.
FitMenu BuildFitMenu(QMainWindow& window);

}  // namespace actinfit
