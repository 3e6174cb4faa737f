#include "app/support/event_points.h"

#include <QCoreApplication>

namespace actinfit {

void TEventPoints::Run() {
  QCoreApplication::processEvents();
  lastRun_.restart();
}

}  // namespace actinfit
