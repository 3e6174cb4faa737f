// The window's operations through the real window, offscreen, on the default data set, and the
// fit's search in the core alone on the very record the window applied, for comparison.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/support/error_box.h"
#include "core/random.h"
#include "core/search.h"

namespace {

using actinfit::TfmMain;

// A shown window whose error boxes are counted instead of opened.
class BenchWindow {
 public:
  BenchWindow() {
    actinfit::SetErrorBoxSink([this](const QString&, const QString&) { ++errors_; });
    window_.show();
  }
  ~BenchWindow() { actinfit::SetErrorBoxSink({}); }

  template <class T>
  T* Control(const char* name) {
    return window_.findChild<T*>(QString::fromLatin1(name));
  }
  void SetField(const char* name, const char* text) {
    Control<QLineEdit>(name)->setText(QString::fromLatin1(text));
  }
  TfmMain& window() { return window_; }
  int errors() const { return errors_; }

 private:
  int errors_ = 0;
  TfmMain window_;
};

void Finish(benchmark::State& state, const BenchWindow& bench) {
  QApplication::processEvents();
  if (bench.errors() != 0) state.SkipWithError("the window raised an error");
}

void BM_ApplyOnDefaultData(benchmark::State& state) {
  BenchWindow bench;
  auto* apply = bench.Control<QToolButton>("btApply");
  for (auto _ : state) apply->click();
  Finish(state, bench);
}
BENCHMARK(BM_ApplyOnDefaultData)->Unit(benchmark::kMillisecond);

// The Fit button with the defaults: all five marked, 100 iterations, a report every 10 (each
// report writes the fields, runs Calculate, redraws and lets events run), after its Apply.
void BM_FitThroughWindow(benchmark::State& state) {
  BenchWindow bench;
  bench.SetField("edNItr", "100");
  bench.SetField("edNShow", "10");
  auto* fit = bench.Control<QToolButton>("btFit");
  auto* results = bench.Control<QPlainTextEdit>("mResults");
  for (auto _ : state) {
    // Every fit starts from the defaults, not from where the previous one ended.
    state.PauseTiming();
    for (const auto& [name, text] : {std::pair{"edBFluo", "10"},
                                     {"edTShift", "100"},
                                     {"edKnuc", "1E-8"},
                                     {"edKon", "8"},
                                     {"edKoff", "1"}}) {
      bench.SetField(name, text);
    }
    results->clear();
    state.ResumeTiming();
    fit->click();
  }
  Finish(state, bench);
}
BENCHMARK(BM_FitThroughWindow)->Unit(benchmark::kMillisecond);

// The same search in the core alone, on a copy of the record the window's Apply built.
void BM_FitInCore(benchmark::State& state) {
  BenchWindow bench;
  const actinfit::TModel applied = bench.window().model();
  auto record = std::make_unique<actinfit::TModel>(applied);
  const actinfit::ModelAccess model = [&record]() -> actinfit::TModel& { return *record; };
  for (auto _ : state) {
    record->Param = applied.Param;
    benchmark::DoNotOptimize(actinfit::RunCoordinateSearch(
        model, 100, 10, [](int32_t, double, double) { return true; }));
  }
  Finish(state, bench);
}
BENCHMARK(BM_FitInCore)->Unit(benchmark::kMillisecond);

// Ten runs of estimation plus fit, with 100 draws and 100 iterations each.
void BM_SeriesOfTenThroughWindow(benchmark::State& state) {
  BenchWindow bench;
  bench.SetField("edNSeries", "10");
  auto* series = bench.Control<QToolButton>("btSeries");
  auto* results = bench.Control<QPlainTextEdit>("mResults");
  for (auto _ : state) {
    series->click();
    state.PauseTiming();
    results->clear();
    state.ResumeTiming();
  }
  Finish(state, bench);
}
BENCHMARK(BM_SeriesOfTenThroughWindow)->Unit(benchmark::kMillisecond)->Iterations(2);

// The sensitivity scan with the default grids (10 x 10) into the pane.
void BM_SensitivityThroughWindow(benchmark::State& state) {
  BenchWindow bench;
  auto* test = bench.Control<QPushButton>("Button1");
  for (auto _ : state) test->click();
  Finish(state, bench);
}
BENCHMARK(BM_SensitivityThroughWindow)->Unit(benchmark::kMillisecond);

// The longest time the window went without running its pending events while one click's
// operation ran, as a 10 ms timer sees it: the gaps between its firings, and from the last one
// to the end of the operation.
class EventGaps {
 public:
  EventGaps() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Note(); });
  }
  void Start() {
    longest_ = 0;
    clock_.start();
    timer_.start();
  }
  double StopMs() {
    Note();
    timer_.stop();
    return static_cast<double>(longest_) / 1e6;
  }

 private:
  void Note() { longest_ = std::max(longest_, clock_.nsecsElapsed()), clock_.restart(); }

  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
};

void MeasureGaps(benchmark::State& state, BenchWindow& bench, QAbstractButton* button) {
  EventGaps gaps;
  double longest = 0;
  for (auto _ : state) {
    gaps.Start();
    button->click();
    longest = std::max(longest, gaps.StopMs());
  }
  state.counters["longest_gap_ms"] = longest;
  Finish(state, bench);
}

// The sensitivity scan of a 300 x 300 grid on the default data.
void BM_EventGapsScan300x300(benchmark::State& state) {
  BenchWindow bench;
  bench.SetField("edNP1", "300");
  bench.SetField("edNP2", "300");
  MeasureGaps(state, bench, bench.Control<QPushButton>("Button1"));
}
BENCHMARK(BM_EventGapsScan300x300)->Unit(benchmark::kMillisecond)->Iterations(1);

// The estimation of 100000 draws on the default data, all five marked.
void BM_EventGapsEstimation100000(benchmark::State& state) {
  BenchWindow bench;
  bench.SetField("edNItr", "100000");
  MeasureGaps(state, bench, bench.Control<QToolButton>("btEstimate"));
}
BENCHMARK(BM_EventGapsEstimation100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The estimation button with 1000 draws on the default data, the draws evaluated as the window
// does (batched) or one at a time; every run from the generator's start, so both make the same
// draws and improvements.
void BM_EstimateThousandDraws(benchmark::State& state, actinfit::TEvaluation evaluation) {
  BenchWindow bench;
  bench.window().SetEvaluation(evaluation);
  bench.SetField("edNItr", "1000");
  auto* estimate = bench.Control<QToolButton>("btEstimate");
  for (auto _ : state) {
    state.PauseTiming();
    actinfit::ProcessGenerator() = actinfit::TShuffledGenerator();
    state.ResumeTiming();
    estimate->click();
  }
  Finish(state, bench);
}
BENCHMARK_CAPTURE(BM_EstimateThousandDraws, OneAtATime, actinfit::TEvaluation::OneAtATime)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EstimateThousandDraws, Batched, actinfit::TEvaluation::Batched)
    ->Unit(benchmark::kMillisecond);

// A file as a European spreadsheet writes it: a header, semicolons, decimal commas; 1,000,000
// readings 0.1 s apart on a rising curve.
QString WriteMillionRowFile(const QTemporaryDir& folder) {
  const QString path = folder.filePath(QStringLiteral("million.csv"));
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << "Zeit [s];Fluoreszenz\r\n";
  char line[64];
  for (int i = 0; i < 1000000; ++i) {
    const double reading = 50 + 1250 * (1 - std::exp(-i / 300000.0)) + (i % 7) * 0.125;
    std::snprintf(line, sizeof line, "%d,%d;%.3f\r\n", i / 10, i % 10, reading);
    for (char* c = line; *c; ++c) {
      if (*c == '.') *c = ',';
    }
    out << line;
  }
  return path;
}

// Opening the file through the window, with the Apply that follows (the model column waits,
// unseen, for the Data page).
void BM_OpenMillionRowFile(benchmark::State& state) {
  BenchWindow bench;
  QTemporaryDir folder;
  const QString path = WriteMillionRowFile(folder);
  bench.SetField("edTShift", "1000");
  for (auto _ : state) {
    bench.window().OpenDataFile(path);
    QApplication::processEvents();  // the charts repaint
  }
  if (bench.window().model().Count != 1000000) state.SkipWithError("not every row was read");
  Finish(state, bench);
}
BENCHMARK(BM_OpenMillionRowFile)->Unit(benchmark::kMillisecond)->Iterations(3);

// Apply alone on the panes that opening the file filled: what the opening adds is the rest.
void BM_ApplyOnMillionRows(benchmark::State& state) {
  BenchWindow bench;
  QTemporaryDir folder;
  bench.SetField("edTShift", "1000");
  bench.window().OpenDataFile(WriteMillionRowFile(folder));
  auto* apply = bench.Control<QToolButton>("btApply");
  for (auto _ : state) {
    apply->click();
    QApplication::processEvents();
  }
  Finish(state, bench);
}
BENCHMARK(BM_ApplyOnMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
