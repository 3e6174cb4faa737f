#include "batch/arguments.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <thread>

#include "batch/output.h"
#include "batch/readout_options.h"
#include "batch/settings_checks.h"
#include "core/errors.h"
#include "core/version.h"

namespace actinfit::batch {

namespace {

const std::map<std::string, TMethod> kMethods = {
    {"calculate", TMethod::Calculate}, {"fit", TMethod::Fit},       {"series", TMethod::Series},
    {"refine", TMethod::Refine},       {"global", TMethod::Global}, {"readouts", TMethod::Readouts},
};

int32_t DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int32_t>(cores);
}

int BadArguments(const std::string& message) {
  std::fprintf(stderr, "actinfit-batch: %s\n", ValidUtf8(message).c_str());
  return 2;
}

}  // namespace

std::string_view MethodName(TMethod method) {
  for (const auto& [name, value] : kMethods) {
    if (value == method) return name;
  }
  return "?";
}

TParsedArguments ParseArguments(int argc, const char* const* argv) {
  TBatchOptions options;
  options.jobs = DefaultJobs();
  std::vector<std::string> params;
  std::optional<std::string> gActin, dt;

  CLI::App app(
      "Fits the actin polymerisation model to every readings column of the given "
      "files, one trace per column, and prints one result per trace.",
      "actinfit-batch");
  app.set_version_flag("--version", std::string(kVersion));
  app.add_option("FILE", options.files,
                 "Data files as instruments export them: every well of every kinetic table is "
                 "a trace, named FILE:WELL (FILE:TABLE:WELL where the file holds several tables)")
      ->required()
      ->check(CLI::ExistingFile);
  std::string method = "fit";
  app.add_option("--method", method, "What to run on each trace")
      ->check(CLI::IsMember({"calculate", "fit", "series", "refine", "global", "readouts"}))
      ->capture_default_str();
  app.add_option("--param", params,
                 "A start value, bounds and fit mark for BFluo, TShift, Knuc, Kon or Koff; "
                 "marked for fitting unless fixed; once per parameter (window defaults otherwise)")
      ->type_name("NAME=VALUE[:MIN:MAX][:fixed]")
      ->allow_extra_args(false);
  std::vector<std::string> gActinOf;
  app.add_option("--g-actin-of", gActinOf,
                 "With --method global: the G-actin of readings columns by header name or "
                 "number (the first readings column is 1), where the header does not say it "
                 "(\"A1 1.5 uM\")")
      ->type_name("COLUMN=UM,...");
  std::string scaling = "amplitude";
  app.add_option("--scaling", scaling,
                 "With --method global: an amplitude per trace, or one brightness shared by all")
      ->check(CLI::IsMember({"amplitude", "brightness"}))
      ->capture_default_str();
  app.add_flag("--fit-tshift", options.fitTShift,
               "With --method global: refine each trace's time shift within the TShift bounds "
               "(every trace starts at TShift, 0 unless --param TShift gives it)");
  app.add_option("--g-actin", gActin, "G-actin concentration, uM (default 6)")->type_name("NUMBER");
  std::optional<std::string> cc, kplus;
  AddReadoutOptions(app, cc, kplus);
  app.add_option("--dt", dt, "Time step of the model, s (default 0.1)")->type_name("NUMBER");
  app.add_option("--config", options.config,
                 "TOML file with the keys BFluo ... Koff, g-actin, dt (the command line wins)")
      ->check(CLI::ExistingFile);
  const CLI::Range count(0, std::numeric_limits<int32_t>::max());
  app.add_option("--iterations", options.iterations, "Iterations of each fit")
      ->check(count)
      ->capture_default_str();
  app.add_option("--draws", options.draws, "Random draws of each estimation (series)")
      ->check(count)
      ->capture_default_str();
  app.add_option("--runs", options.runs, "Estimation + fit runs of a series")
      ->check(count)
      ->capture_default_str();
  app.add_option("-j,--jobs", options.jobs, "Traces computed at once (threads)")
      ->check(CLI::Range(1, 4096))
      ->capture_default_str();
  app.add_flag("--progress", options.progress,
               "Progress on standard error every few seconds, also where it is no terminal");
  app.add_flag("--json", options.json, "One JSON object per trace instead of tab-separated lines");
  app.add_flag("--inspect", options.inspect,
               "Print the tables, wells and left-out columns of each file; compute nothing");
  app.add_option("--table", options.selection.table,
                 "Only the tables whose name holds TEXT (any case), or the one of that number")
      ->type_name("TEXT");
  std::string wells, exclude;
  app.add_option("--wells", wells, "Only these wells")->type_name("A1-A12,C3");
  app.add_option("--exclude", exclude, "Leave these wells out")->type_name("B1,H12");
  app.add_option("--plate-map", options.plateMap,
                 "CSV of well, G-actin (uM) and an optional label: the G-actin of each well, "
                 "before its header's and --g-actin")
      ->check(CLI::ExistingFile);
  std::optional<std::string> interval;
  app.add_option("--interval", interval, "Seconds between reads, for files that hold no times")
      ->type_name("SECONDS");
  app.add_flag("--intervals", options.intervals,
               "With --method refine: the 95 % profile interval of each refined rate, BFluo, "
               "Knuc*Kon and Koff/Kon");
  app.add_option("--save-analysis", options.saveAnalysis,
                 "Also write an analysis file per trace (with --method global, per series) into "
                 "DIR (made if missing), which the window opens")
      ->type_name("DIR");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return {std::nullopt, app.exit(done)};  // --help or --version, on standard output
  } catch (const CLI::ParseError& error) {
    return {std::nullopt, BadArguments(error.what())};
  }
  options.method = kMethods.at(method);
  options.scaling =
      scaling == "brightness" ? TScaling::SharedBrightness : TScaling::AmplitudePerTrace;
  const bool global = options.method == TMethod::Global;
  if (!global && (!gActinOf.empty() || options.fitTShift || scaling != "amplitude")) {
    return {std::nullopt,
            BadArguments("--g-actin-of, --scaling and --fit-tshift need --method global")};
  }
  if (options.inspect && !options.plateMap.empty()) {
    return {std::nullopt,
            BadArguments("--inspect shows what the files hold, and a well's G-actin is none of "
                         "it: --plate-map goes with a method")};
  }
  if (options.intervals && options.method != TMethod::Refine) {
    return {std::nullopt, BadArguments("--intervals needs --method refine")};
  }
  if ((cc || kplus) && options.method != TMethod::Readouts) {
    return {std::nullopt, BadArguments("--cc and --kplus need --method readouts")};
  }

  try {
    CheckDistinctFiles(options.files);
    if (!wells.empty()) options.selection.wells = ParseWellList(wells, "--wells");
    if (!exclude.empty()) options.selection.exclude = ParseWellList(exclude, "--exclude");
    if (interval) {
      options.interval = ReadNumber(*interval, "--interval");
      if (!(*options.interval > 0) || !std::isfinite(*options.interval)) {
        throw EInvalidInput("--interval " + *interval +
                            ": the seconds between reads must be above 0");
      }
    }
    options.settings = DefaultSettings();
    // A series starts where the series window starts it; --param and --config change it.
    if (global) options.settings.params[TShift].value = kDefaultSeriesTShift;
    if (!options.config.empty()) ApplyConfigFile(options.settings, options.config);
    for (const std::string& param : params) ApplyParamOption(options.settings, param);
    for (const std::string& columns : gActinOf) ApplyGActinOfOption(options.settings, columns);
    if (gActin) {
      options.settings.gActin = ReadNumber(*gActin, "--g-actin");
      options.settings.gActinFrom = "--g-actin";
    }
    if (dt) options.settings.dt = ReadNumber(*dt, "--dt");
    options.readoutConstants = ReadoutConstants(cc, kplus);
    CheckSettings(options);
  } catch (const Error& error) {
    return {std::nullopt, BadArguments(error.what())};
  }
  return {std::move(options), 0};
}

}  // namespace actinfit::batch
