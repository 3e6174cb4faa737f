#include "app/menus/fit_menu.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace actinfit {

FitMenu BuildFitMenu(QMainWindow& window) {
  FitMenu fit{};
  fit.menu = window.menuBar()->addMenu(QStringLiteral("Fit"));
  fit.menu->setObjectName(QStringLiteral("mnFit"));

  fit.acRefine = fit.menu->addAction(QStringLiteral("Refine (least squares)"));
  fit.acRefine->setObjectName(QStringLiteral("acRefine"));
  fit.acRefine->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));

  fit.acProfile = fit.menu->addAction(QStringLiteral("Profile intervals"));
  fit.acProfile->setObjectName(QStringLiteral("acProfile"));

  fit.acFitReport = fit.menu->addAction(QStringLiteral("Fit report..."));
  fit.acFitReport->setObjectName(QStringLiteral("acFitReport"));

  fit.menu->addSeparator();
  fit.acFitSeries = fit.menu->addAction(QStringLiteral("Fit a dilution series..."));
  fit.acFitSeries->setObjectName(QStringLiteral("acFitSeries"));
  return fit;
}

}  // namespace actinfit
