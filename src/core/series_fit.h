// The fit of a dilution series: traces of the same actin at several G-actin concentrations,
// fitted together with one set of rate constants. Each trace is the polymerisation simulation
// of its own G-actin and time shift; backgrounds and amplitudes (or one shared brightness)
// enter linearly and are solved exactly at every evaluation, so the search sees only the rates
// and the time shifts.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/dt_check.h"
#include "core/profile.h"
#include "core/trial_failures.h"

namespace actinfit {

// How a trace's polymer curve becomes fluorescence.
enum class TScaling {
  AmplitudePerTrace,  // Background_i + Amplitude_i x F_i(t) / max F_i
  SharedBrightness,   // Background_i + Brightness x F_i(t), one Brightness for every trace
};

struct TSeriesTrace {
  std::vector<double> Time, Data;
  double GActin;  // uM
  double TShift;
  bool FitTShift = false;
  double TShiftMin = 0, TShiftMax = 200;
  std::string Name;  // how messages name the trace ("plate.tsv:A1"); "Trace N" when empty
};

// Rates in the order Knuc, Kon, Koff.
struct TSeries {
  std::vector<TSeriesTrace> Traces;
  std::array<double, 3> Rate, RateMin, RateMax;
  std::array<bool, 3> FitRate;
  double Dt;
  TScaling Scaling = TScaling::AmplitudePerTrace;
  // Threads that simulate the trials of one evaluation side by side; the result is the same to
  // the last bit for any number.
  int32_t Threads = 1;
};

struct TSeriesFit {
  double Error;                              // SSR / N
  int32_t Points, Parameters;                // N, p
  std::array<double, 3> Rate, RateStdError;  // NaN where not refined or on a bound
  std::array<std::optional<TInterval>, 3> RateInterval;
  std::optional<TInterval> KnucKon, KoffKon;
  // Pieces and jumps of the intervals of Knuc, Kon, Koff, Knuc x Kon and Koff / Kon.
  std::array<TIntervalShape, 5> IntervalShape;
  std::vector<double> TShift, Background, Amplitude, TraceError;  // per trace; error SSR_i / n_i
  double Brightness;                                              // NaN for amplitude per trace
  int32_t Starts, StartsReachingBest;
  bool Stopped = false;             // the progress callback asked to stop: the best point so far
  TTrialFailures Failures;          // trial points whose evaluation failed (passed over)
  std::optional<TDtCheck> DtCheck;  // the best point refitted with half the time step
};

// The least-squares fit of the marked rates (and the marked time shifts) within their bounds:
// local solves of the rates on a log scale (where their bounds span two decades or more) from
// the given rates and a deterministic set of starts; with marked time shifts, each start first
// searches every shift over its stairs (Dt apart) for its rates, then solves rates and shifts
// together, searching the stairs again, until the error stops dropping; deterministic to the
// last bit. The standard errors take the refined shifts along as parameters.
// Refuses (EInvalidInput, naming the trace or the rate): no trace, no marked rate, crossed
// bounds, a G-actin missing, zero or negative, a trace whose readings and times differ in
// number or with fewer points than its refined parameters + 1. A trial point whose evaluation
// raises a floating-point error is infinitely bad (counted in Failures); the first such error
// propagates, naming the trace ("Trace 2 (3 uM): Invalid floating point operation"), only when
// no start could be evaluated.
// With `intervals`, the 95 % profile intervals of each marked rate, Knuc x Kon (both marked)
// and Koff / Kon (both marked, Kon's lower bound above 0), as the single-trace profiles define
// them (N and p of the series); a profile that finds a lower point moves the fit there.
TSeriesFit FitSeries(const TSeries& series, bool intervals = true);

struct TSeriesProgress {
  double BestError;    // SSR / N of the best point so far
  int32_t StartsDone;  // local solves finished
  int32_t Starts;      // planned
  // The best point so far: rates, time shifts, linear parameters and errors per trace (no
  // standard errors, intervals or counts yet), for a chart that follows the fit.
  TSeriesFit Best;
};

// Returning false stops the fit with the best point so far.
using SeriesReport = std::function<bool(const TSeriesProgress& progress)>;

// The same, reporting at least every kRefineReportMilliseconds of work. An error of an
// evaluation after the first ends the fit with the best point so far in the result and its
// message in `failure`; the first one propagates.
TSeriesFit FitSeries(const TSeries& series, const SeriesReport& report, std::string& failure,
                     bool intervals = true);

}  // namespace actinfit
