#include "app/support/event_points.h"

#include <QCoreApplication>

namespace actinfit {

void TEventPoints::Run() {
  lastRun_.restart();
  QCoreApplication::processEvents();
}

}  // namespace actinfit
