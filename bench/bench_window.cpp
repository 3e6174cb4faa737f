// Apply with Calculate through the real window, offscreen, on the default data set: reload both
// panes, copy the fields, evaluate, redraw three series and the zero line, refill the model pane.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QToolButton>

#include "app/error_box.h"
#include "app/main_window.h"

namespace {

void BM_ApplyOnDefaultData(benchmark::State& state) {
  actinfit::TfmMain window;
  window.show();
  int errors = 0;
  actinfit::SetErrorBoxSink([&errors](const QString&, const QString&) { ++errors; });
  auto* apply = window.findChild<QToolButton*>(QStringLiteral("btApply"));
  for (auto _ : state) {
    apply->click();
  }
  QApplication::processEvents();
  actinfit::SetErrorBoxSink({});
  if (errors != 0) state.SkipWithError("Apply raised an error");
}
BENCHMARK(BM_ApplyOnDefaultData)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
