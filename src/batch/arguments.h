// The command line of the batch program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/selection.h"
#include "batch/settings.h"
#include "core/readouts.h"
#include "core/series_fit.h"

namespace actinfit::batch {

// Global: every file is one dilution series, its readings columns the traces (core/series_fit.h).
// Readouts: the model-free readouts of each trace (core/readouts.h), no simulation.
enum class TMethod { Calculate, Fit, Series, Refine, Global, Readouts };

std::string_view MethodName(TMethod method);

struct TBatchOptions {
  std::vector<std::string> files;
  TMethod method = TMethod::Fit;
  int32_t iterations = kDefaultIterations;  // the window's iteration limit
  int32_t draws = kDefaultIterations;       // the window uses the iteration limit for the draws too
  int32_t runs = kDefaultSeriesRuns;        // the window's number of series runs
  int32_t jobs = 1;
  bool json = false;
  bool progress = false;   // progress lines on standard error even where it is no terminal
  bool intervals = false;  // the refinement's profile intervals too
  // --method global: how the traces are scaled, and whether each one's time shift is refined.
  TScaling scaling = TScaling::AmplitudePerTrace;
  bool fitTShift = false;
  TReadoutConstants readoutConstants;  // --method readouts: --cc and --kplus
  std::string config;                  // the settings file, empty when none was given
  // --save-analysis: the folder that gets an analysis file per trace, empty when none.
  std::string saveAnalysis;
  TSettings settings;
  bool inspect = false;            // print what each file holds, compute nothing
  TSelection selection;            // --table, --wells, --exclude
  std::optional<double> interval;  // s between reads, for files that hold no times
  std::string plateMap;            // the plate map file, empty when none was given
};

// The options, or the exit code when the program is to end at once: 0 after --help or
// --version (printed on standard output), 2 after a one-line message on standard error about
// what is wrong with the arguments.
struct TParsedArguments {
  std::optional<TBatchOptions> options;
  int exitCode = 0;
};

TParsedArguments ParseArguments(int argc, const char* const* argv);

}  // namespace actinfit::batch
