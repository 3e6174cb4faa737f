// --method global: each table of each file is one dilution series, every well one of its
// traces, fitted with one set of rates (core/series_fit.h).
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "batch/arguments.h"
#include "batch/progress.h"
#include "batch/traces.h"
#include "core/series_fit.h"

namespace actinfit::batch {

// The traces of each series (a table of a file), in the order of the files and their tables (a
// file that could not be read is one failed trace).
std::vector<std::vector<TTrace>> TracesBySeries(const std::vector<TTrace>& traces);

struct TGlobalResult {
  std::optional<TSeries> series;  // as fitted (missing when the file or a G-actin failed)
  std::optional<TSeriesFit> fit;
  std::string failure;  // the message that ended the file, empty when it succeeded
};

// The G-actin of a trace: --g-actin-of or the settings file's [g-actin] table by the column's
// header, its well or its number, else the plate map's or its header's (TTrace::gActin);
// EInvalidInput naming the trace when none.
double TraceGActin(const TTrace& trace, const TSettings& settings);

// Fits the file's series on `threads` threads, telling `progress` where its search is. Never
// throws: an error ends the file and is its failure.
TGlobalResult RunGlobal(const std::vector<TTrace>& traces, const TBatchOptions& options,
                        int32_t threads, TProgress& progress);

// The threads of each series: the jobs shared among the series that run at once.
int32_t SeriesThreads(const TBatchOptions& options, size_t series);

// The header: trace, g_actin, error, the three rates, tshift, background, amplitude,
// brightness, the interval columns of the rates and the combinations, message.
std::string GlobalTsvHeader();

// One line per trace (its own values, the rate columns empty), then one line named by the series
// (FILE, or FILE:TABLE) with the shared rates, their intervals and the error over all traces; a
// failed file gives one line with its message.
std::string GlobalTsvLines(const std::vector<TTrace>& traces, const TGlobalResult& result);

// Everything about the file's series.
nlohmann::ordered_json GlobalJson(const std::vector<TTrace>& traces, const TGlobalResult& result,
                                  const TBatchOptions& options);

}  // namespace actinfit::batch
