// Reading a data file of a million rows, in memory, as a European spreadsheet writes it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/files/datafile.h"

namespace {

// A header, then time and reading with decimal commas between semicolons, CR LF line ends.
std::string MillionRowText() {
  std::string text = "Zeit [s];Fluoreszenz\r\n";
  char line[64];
  for (int i = 0; i < 1000000; ++i) {
    const double reading = 50 + 1250 * (1 - std::exp(-i / 300000.0)) + (i % 7) * 0.125;
    const int len = std::snprintf(
        line, sizeof line, "%d,%d;%d,%03d\r\n", i / 10, i % 10, static_cast<int>(reading),
        static_cast<int>(std::lround((reading - std::floor(reading)) * 1000)) % 1000);
    text.append(line, static_cast<size_t>(len));
  }
  return text;
}

void BM_ParseMillionRowSemicolonText(benchmark::State& state) {
  const std::string text = MillionRowText();
  for (auto _ : state) {
    benchmark::DoNotOptimize(actinfit::ParseDataText(text, "million.csv"));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseMillionRowSemicolonText)->Unit(benchmark::kMillisecond);

}  // namespace
