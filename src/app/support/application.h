// The program's application object: the last safety net for an error that a handler outside
// the guarded wrapper might raise.
#pragma once

#include <QApplication>

namespace actinfit {

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  // Delivers the event; an error that escapes a receiver is shown in the error box instead of
  // travelling on through the framework.
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace actinfit
