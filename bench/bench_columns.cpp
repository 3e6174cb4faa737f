// Cleaning and loading a pasted million lines.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/columns.h"

namespace {

// Times with tabs, readings with decimal commas, and one line in ten of junk in each column.
void MakePanes(std::vector<std::string>& time, std::vector<std::string>& data, int n) {
  time.clear();
  data.clear();
  for (int i = 0; i < n; ++i) {
    if (i % 10 == 5) {
      time.push_back("Time [s]");
      data.push_back("n/a");
      continue;
    }
    time.push_back(std::to_string(i) + "\t");
    data.push_back(std::to_string(i / 7) + "," + std::to_string(i % 1000) + "\t");
  }
}

void BM_CleanAndLoadAMillionLines(benchmark::State& state) {
  std::vector<std::string> time, data;
  auto model = std::make_unique<actinfit::TModel>(1);
  for (auto _ : state) {
    state.PauseTiming();
    MakePanes(time, data, 1000000);
    state.ResumeTiming();
    benchmark::DoNotOptimize(actinfit::LoadData(time, data, '.', model));
  }
}
BENCHMARK(BM_CleanAndLoadAMillionLines)->Unit(benchmark::kMillisecond);

}  // namespace
