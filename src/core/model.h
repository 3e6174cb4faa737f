// The model record and its evaluation: one data set, the five rate parameters with their
// bounds and fit marks, the initial concentrations and the time step.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace actinfit {

// Index of each parameter in Param, Min, Max and Fit, and the order of the result line.
enum ParamIndex { BFluo, TShift, Knuc, Kon, Koff };

inline constexpr int32_t kParamCount = 5;

struct TModel {
  // n points with times 0, 1, ..., n-1 and every reading 0; Dt 0.01; all else zero.
  explicit TModel(int32_t n);

  int32_t Count;
  std::vector<double> Time;      // seconds, non-decreasing after loading
  std::vector<double> Data;      // measured fluorescence
  std::vector<double> Fitted;    // scaled model curve, written by Evaluate
  std::vector<double> Residual;  // Fitted - Data, written by Evaluate
  std::array<double, 5> Param{};
  std::array<double, 5> Min{};
  std::array<double, 5> Max{};
  std::array<bool, 5> Fit{};
  std::array<double, 3> Init{};  // free monomer G, polymer F, filaments N (uM)
  double Dt;                     // integration time step, seconds
};

// Simulates the polymerisation from Init with explicit Euler steps, samples the polymer at the
// measured times, scales it onto the readings, fills Fitted and Residual and returns the mean
// squared residual. Floating-point hazards come out as the errors of core/errors.h; parameters
// are never changed.
double Evaluate(TModel& model);

// The same simulation without the scaling: leaves the polymer concentration (uM) at the measured
// times in Fitted, Residual untouched, and returns its largest value (0 when none is positive).
// The errors are Evaluate's.
double SimulatePolymer(TModel& model);

// Floor of Kon and of F inside the dissociation factor of a step.
inline constexpr double kRateFloor = 1e-20;

// Refuses, before any step, a time step that would never carry the simulated time from `start`
// past the last measured time (EInvalidInput; a not-a-number time, start or step: EInvalidOp).
// Returns whether any step will be taken. Evaluate runs it with start = Param[TShift].
bool CheckTimeStep(const TModel& model, double start);

// The process-wide shuffled minimal-standard generator (see core/random.h).
double ShuffledRandom();
double UniformRandom(double a, double b);

}  // namespace actinfit
