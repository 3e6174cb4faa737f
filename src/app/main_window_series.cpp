// Fit > Fit a dilution series...: the series window lives beside the main window, which stays as it
// is.
#include <QAction>

#include "app/main_window.h"
#include "app/series/series_window.h"

namespace actinfit {

void TfmMain::FitSeriesClick() {
  TfmSeries* series = findChild<TfmSeries*>();
  if (series == nullptr) series = new TfmSeries(*this);
  series->show();
  series->raise();
  series->activateWindow();
}

}  // namespace actinfit
