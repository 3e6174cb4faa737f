// Program start: the window framework, the main window, the message loop.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/main_window.h"
#include "app/support/application.h"
#include "app/support/error_box.h"
#include "core/refine.h"

namespace {

// Without a display the framework would abort with a long message; say it in one line.
bool DisplayMissing() {
  const auto unset = [](const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr || *value == '\0';
  };
  return unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  if (DisplayMissing()) {
    std::fputs("actinfit: no display found; run it under Xvfb: xvfb-run -a ./actinfit\n", stderr);
    return 1;
  }
  actinfit::SilenceSolverLog();
  actinfit::TApplication application(argc, argv);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/actinfit.png")));
  // An error that escapes start-up is shown; the program still ends normally.
  try {
    actinfit::TfmMain fmMain;
    fmMain.show();
    QApplication::exec();
  } catch (const std::exception& error) {
    actinfit::ShowError(error);
  } catch (...) {
    actinfit::ShowErrorBox(actinfit::ApplicationTitle(), QString());
  }
  return 0;
}
