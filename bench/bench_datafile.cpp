// Reading a data file of a million rows, in memory, as a European spreadsheet writes it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/files/datafile.h"
#include "core/files/tables.h"

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

// The same file through the tables reader, which the window runs beside the plain one.
void BM_ParseTablesMillionRowSemicolonText(benchmark::State& state) {
  const std::string text = MillionRowText();
  for (auto _ : state) {
    benchmark::DoNotOptimize(actinfit::files::ParseTables(text, "million.csv"));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseTablesMillionRowSemicolonText)->Unit(benchmark::kMillisecond);

// A 384-well export of three reads with times down the rows: metadata, a label and a header per
// read (time, temperature, A1 ... P24), 170 reads each, tab-separated; about 1 MB.
std::string PlateExport384() {
  std::string text = "Software Version\t3.1\nReader\tplate reader\n\n";
  char cell[32];
  for (int read = 1; read <= 3; ++read) {
    const std::string label = "Read " + std::to_string(read) + ":365,407";
    text += label + "\n\nTime\tT\xC2\xB0 " + label;
    for (int row = 0; row < 16; ++row) {
      for (int column = 1; column <= 24; ++column) {
        text += '\t';
        text += static_cast<char>('A' + row);
        text += std::to_string(column);
      }
    }
    text += '\n';
    for (int i = 0; i < 170; ++i) {
      const int seconds = 30 * i + 5 * (read - 1);
      std::snprintf(cell, sizeof cell, "%d:%02d:%02d\t25.0", seconds / 3600, seconds / 60 % 60,
                    seconds % 60);
      text += cell;
      for (int well = 0; well < 384; ++well) {
        std::snprintf(cell, sizeof cell, "\t%d", 1000 + (well * 37 + i * 11) % 4000);
        text += cell;
      }
      text += '\n';
    }
    text += '\n';
  }
  return text;
}

void BM_ParseTables384WellsThreeReads(benchmark::State& state) {
  const std::string text = PlateExport384();
  for (auto _ : state) {
    benchmark::DoNotOptimize(actinfit::files::ParseTables(text, "plate.txt"));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseTables384WellsThreeReads)->Unit(benchmark::kMillisecond);

}  // namespace
