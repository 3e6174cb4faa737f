// An action that is enabled exactly when a button is, or when its own condition holds: the
// menu's Refine follows the Apply button, which every other long operation disables while it
// runs, and stays enabled while the refinement itself runs so that it can stop it.
#pragma once

#include <functional>

class QAction;
class QWidget;

namespace actinfit {

void FollowEnabled(QAction* action, QWidget* leader, std::function<bool()> alsoWhen);

}  // namespace actinfit
