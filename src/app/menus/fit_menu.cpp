#include "app/menus/fit_menu.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace actinfit {

QMenu* AddFitMenu(QMainWindow& window, const std::function<void()>& refine,
                  const std::function<void()>& report) {
  QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Fit"));
  menu->setObjectName(QStringLiteral("mnFit"));

  QAction* acRefine = menu->addAction(QStringLiteral("Refine (least squares)"));
  acRefine->setObjectName(QStringLiteral("acRefine"));
  acRefine->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  QObject::connect(acRefine, &QAction::triggered, &window, refine);

  QAction* acFitReport = menu->addAction(QStringLiteral("Fit report..."));
  acFitReport->setObjectName(QStringLiteral("acFitReport"));
  QObject::connect(acFitReport, &QAction::triggered, &window, report);
  return menu;
}

}  // namespace actinfit
