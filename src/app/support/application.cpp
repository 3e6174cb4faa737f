#include "app/support/application.h"

#include <exception>

#include "app/support/error_box.h"

namespace actinfit {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowError(error);
  } catch (...) {
    ShowErrorBox(ApplicationTitle(), QString());
  }
  return false;
}

}  // namespace actinfit
