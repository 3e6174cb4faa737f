// The "Fit" menu of the menu bar: the least-squares refinement and its report.
#pragma once

#include <functional>

class QMainWindow;
class QMenu;

namespace actinfit {

// Adds the menu at the end of the window's menu bar (creating the bar, which sits above the
// tool bar): "Refine (least squares)" (acRefine, Ctrl+R) runs `refine`, "Fit report..."
// (acFitReport) runs `report`.
QMenu* AddFitMenu(QMainWindow& window, const std::function<void()>& refine,
                  const std::function<void()>& report);

}  // namespace actinfit
