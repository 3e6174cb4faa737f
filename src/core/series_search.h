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
  // residuals (trace after trace) are at Residual(k) until the next call. A point evaluated
  // alone becomes the centre: its traces' curves are kept and serve every later point that
  // gives a trace the same rates and shift (a trial of one time shift simulates one trace).
  // Keeps the best point, then reports when the interval is up (TStop when asked to stop). A
  // point whose evaluation raises a floating-point error gets an infinite SSR (its residuals
  // undefined) and is counted in Failures(), its error named after the trace; another error
  // propagates naming the trace, the points before it taken in.
  void Evaluate(std::span<const TPoint> points, std::span<double> ssr);
  double SSR(const TPoint& point);
  const double* Residual(size_t k) const { return residuals_.data() + k * points_; }

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
  };

  void PlanTrials(std::span<const TPoint> points);
  void SimulateTrials();
  void CheckTrials(size_t k);
  void Project(size_t k);
  void KeepCentre(const TPoint& point);

  const TSeries& series_;
  SeriesReport report_;
  std::chrono::steady_clock::time_point lastReport_;
  std::vector<TModel> records_;
  int32_t points_ = 0;
  TBatchEvaluator batch_;
  std::vector<TCentre> centre_;  // per trace
  // Scratch of one Evaluate: per point and trace the curve it uses (x_ij: F or F / max F), the
  // index of its trial or -1 for the centre's, the trials and their curves.
  std::vector<const double*> curveOf_;
  std::vector<int32_t> trialOf_;
  std::vector<TPolymerTrial> trials_;
  std::vector<std::exception_ptr> trialError_;  // per trial: its error, if it failed
  std::vector<double> largest_, trialCurves_, residuals_;
  std::vector<std::array<double, 4>> sums_;  // per trace: x mean, y mean, sxx, sxy
  TProjection projection_, best_;
  TPoint bestPoint_;
  bool stopRequested_ = false;
  TTrialFailures failures_;
};

}  // namespace actinfit::series
