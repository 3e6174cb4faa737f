#include "batch/methods.h"

#include <exception>

#include "batch/failure_causes.h"
#include "batch/intervals.h"
#include "batch/messages.h"
#include "batch/settings_checks.h"
#include "core/bound_hints.h"
#include "core/errors.h"
#include "core/numtext.h"
#include "core/random.h"
#include "core/refine.h"
#include "core/search.h"

namespace actinfit::batch {

namespace {

using TParams = std::array<double, kParamCount>;

TRunResult Calculate(TModel& model) {
  const double error = Evaluate(model);
  return {error, model.Param, std::nullopt};
}

TRunResult Fit(TModel& model, int32_t iterations) {
  const double error =
      RunCoordinateSearch([&]() -> TModel& { return model; }, iterations, kWindowShowEvery, {});
  return {error, model.Param, std::nullopt};
}

// The profile intervals around the refined point; a profile that finds a lower point moves the
// result there. A refusal leaves the refinement's result and says why.
void AddIntervals(TModel& model, TRunResult& run) {
  try {
    run.profile = ProfileIntervals(model);
  } catch (const EInvalidInput& refused) {
    run.note = UserMessage(refused);
    return;
  }
  run.note = IntervalNotes(*run.profile);
  if (run.profile->BestMoved) {
    run.error = run.refinement->Error = Evaluate(model);
    run.params = model.Param;
  }
}

// What to change for each parameter the refinement left on a bound, after the other notes.
void AddBoundHints(const TModel& model, TRunResult& run) {
  const double start = ReadingsStart(model.Data);
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (!run.refinement->OnBound[static_cast<size_t>(k)]) continue;
    const std::string hint = BoundHint(k, run.params[k], model.Min[k], model.Max[k], start);
    run.note += (run.note.empty() ? "" : " ") + hint;
  }
}

TRunResult Refine(TModel& model, bool intervals) {
  TRefinement refinement = RefineLeastSquares(model);
  TRunResult run{refinement.Error, model.Param, std::move(refinement), std::nullopt, {}};
  if (intervals) AddIntervals(model, run);
  AddBoundHints(model, run);
  return run;
}

// A parameter as the edit field shows it and the next Apply reads it back. The estimation
// writes Knuc with three exponent digits, the fit's reports with two: the same number.
TParams AsFields(const TParams& params) {
  TParams fields;
  for (int k = 0; k < kParamCount; ++k) {
    const std::string text = k == Knuc ? FormatReal(params[k], FloatStyle::Exponent, 3, 3)
                                       : FormatReal(params[k], FloatStyle::Fixed, 5, 3);
    fields[k] = ParseReal(text);
  }
  return fields;
}

// The window's series: each run is an estimation, then a fit, each starting with an Apply that
// reads the parameters from the fields, which the previous step left rounded to their display.
void Series(TModel& model, const TBatchOptions& options, TTraceResult& result) {
  const auto access = [&]() -> TModel& { return model; };
  TShuffledGenerator generator;
  TParams fields = model.Param;
  for (int32_t run = 0; run < options.runs; ++run) {
    model.Param = fields;
    TEstimateCallbacks estimate;
    estimate.drawCount = [&] { return options.draws; };
    estimate.improved = [&](double) {
      fields = AsFields(model.Param);
      return true;
    };
    RunRandomEstimation(access, generator, estimate);
    model.Param = fields;
    const double error = RunCoordinateSearch(access, options.iterations, kWindowShowEvery, {},
                                             [&](int32_t, double, double) {
                                               fields = AsFields(model.Param);
                                               return true;
                                             });
    TRunResult& done = result.runs.emplace_back();
    done.error = error;
    done.params = model.Param;
  }
}

}  // namespace

TTraceResult RunTrace(const TTrace& trace, const TBatchOptions& options) {
  TTraceResult result;
  if (!trace.failure.empty()) {
    result.failure = trace.failure;
    return result;
  }
  // Outside the try, so that the message of an evaluation error can name its cause.
  std::optional<TModel> held;
  try {
    CheckTraceSteps(trace, options);
    TModel& model = held.emplace(MakeModel(trace, options.settings));
    switch (options.method) {
      case TMethod::Calculate:
        result.runs.push_back(Calculate(model));
        break;
      case TMethod::Fit:
        result.runs.push_back(Fit(model, options.iterations));
        break;
      case TMethod::Series:
        Series(model, options, result);
        break;
      case TMethod::Refine:
        result.runs.push_back(Refine(model, options.intervals));
        break;
      case TMethod::Global:
        // A whole file is one series (batch/global.h), never one trace on its own.
        throw EInvalidInput("--method global fits a file's traces together");
    }
  } catch (const std::exception& error) {
    result.failure = FailureMessage(error, held ? &*held : nullptr);
  }
  return result;
}

}  // namespace actinfit::batch
