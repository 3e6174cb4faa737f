// The evaluation of a series at given rates and time shifts: every trace simulated (many trials
// together through the batched evaluator), its linear parameters solved exactly (variable
// projection), the residuals, and the best point met so far.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <exception>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "core/batch.h"
#include "core/series_fit.h"
#include "core/trial_failures.h"

namespace actinfit::series {

inline constexpr const char* kRateNames[3] = {"Knuc", "Kon", "Koff"};

// A point of the search: the three rates (Knuc, Kon, Koff) and every trace's time shift.
struct TPoint {
  std::array<double, 3> rate;
  std::vector<double> shift;
};

// The linear parameters of a point and the residual sums they leave.
struct TProjection {
  std::vector<double> background, amplitude, traceSSR;
  double brightness = 0;
  double ssr = 0;
};

// "Trace 2 (3 uM)".
std::string TraceName(const TSeries& series, size_t i);

// Thrown out of an evaluation when the report asked to stop.
class TStop {};

class TSearch {
 public:
  TSearch(const TSeries& series, const SeriesReport& report);

  const TSeries& Series() const { return series_; }
  int32_t Points() const { return points_; }

  // Evaluates the points together: ssr[k] is the sum of squared residuals of points[k], whose
  // residuals Residuals(k) and TraceResiduals(k, i) give until the next call. A point evaluated
  // alone becomes the centre: its traces' curves and linear parameters are kept and serve every
  // later point that gives a trace the same rates and shift (a trial of one time shift
  // simulates and projects one trace). Keeps the best point, then reports when the interval is
  // up (TStop when asked to stop). A point whose evaluation raises a floating-point error gets
  // an infinite SSR (its residuals undefined) and is counted in Failures(), its error named
  // after the trace; another error propagates naming the trace, the points before it taken in.
  void Evaluate(std::span<const TPoint> points, std::span<double> ssr);
  double SSR(const TPoint& point);
  // Point k's residuals, trace after trace, in scratch that the next call overwrites.
  std::span<const double> Residuals(size_t k);
  // Trace i's residuals at point k (TraceSize(i) values).
  void TraceResiduals(size_t k, size_t i, double* out) const;
  // Where trace i's residuals start among a point's, and how many it has.
  size_t TraceOffset(size_t i) const { return offsets_[i]; }
  size_t TraceSize(size_t i) const { return offsets_[i + 1] - offsets_[i]; }
  // Whether a trace's residuals depend on the rates and its own time shift alone: with an
  // amplitude per trace its linear parameters are its own, so a point that moves one trace's
  // shift leaves every other trace's residuals exactly as at the centre.
  bool TracesApart() const { return series_.Scaling == TScaling::AmplitudePerTrace; }

  // Whether a stop asked for at a report inside an evaluation throws TStop there; the profiles
  // take it between their solves instead (StopRequested).
  bool stopInEvaluations = true;
  // Reports if the interval is up; TStop when the caller asks to stop.
  void Report();
  bool StopRequested() const { return stopRequested_; }

  const TTrialFailures& Failures() const { return failures_; }
  bool HasBest() const { return best_.ssr < std::numeric_limits<double>::infinity(); }
  double BestSSR() const { return best_.ssr; }
  const TPoint& BestPoint() const { return bestPoint_; }
  const TProjection& BestProjection() const { return best_; }
  // The best point as a fit so far: rates, shifts, linear parameters and errors.
  TSeriesFit BestAsFit() const;

  int32_t startsDone = 0, starts = 0;

 private:
  struct TCentre {
    bool valid = false;
    std::array<double, 3> rate{};
    double shift = 0;
    std::vector<double> curve;
    double background = 0, amplitude = 0, ssr = 0;  // its projection (amplitude per trace)
  };

  void PlanTrials(std::span<const TPoint> points);
  void SimulateRange(size_t begin, size_t end, TBatchEvaluator& batch);
  void SimulateTrials();
  void CheckTrials(size_t k);
  void Project(size_t k);
  double TraceSSR(size_t k, size_t i) const;
  void KeepCentre(const TPoint& point);

  const TSeries& series_;
  SeriesReport report_;
  std::chrono::steady_clock::time_point lastReport_;
  std::vector<TModel> records_;
  int32_t points_ = 0;
  // One evaluator and one copy of the records per thread beyond the first: trials of one
  // trace may run side by side, and a simulation writes into its record.
  std::vector<TBatchEvaluator> batches_;
  std::vector<std::vector<TModel>> threadRecords_;
  std::vector<TCentre> centre_;  // per trace
  // Scratch of one Evaluate: per point and trace the curve it uses (x_ij: F or F / max F), the
  // index of its trial or -1 for the centre's, the trials and their curves.
  std::vector<const double*> curveOf_;
  std::vector<int32_t> trialOf_;
  std::vector<TPolymerTrial> trials_;
  std::vector<int32_t> trialTrace_;             // per trial: its trace
  std::vector<std::exception_ptr> trialError_;  // per trial: its error, if it failed
  std::vector<double> largest_, trialCurves_, residuals_;
  std::vector<size_t> offsets_;  // per trace: its first residual's index; then the count
  // Per point and trace its background and amplitude, per point its brightness.
  std::vector<double> pointBackground_, pointAmplitude_, pointBrightness_;
  std::vector<std::array<double, 4>> sums_;  // per trace: x mean, y mean, sxx, sxy
  TProjection projection_, best_;
  TPoint bestPoint_;
  bool stopRequested_ = false;
  TTrialFailures failures_;
};

}  // namespace actinfit::series
