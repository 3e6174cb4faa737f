#include "core/model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/fpu.h"

namespace actinfit {

TModel::TModel(int32_t n)
    : Count(n),
      Time(static_cast<size_t>(n)),
      Data(static_cast<size_t>(n), 0.0),
      Fitted(static_cast<size_t>(n), 0.0),
      Residual(static_cast<size_t>(n), 0.0),
      Dt(0.01) {
  for (int32_t i = 0; i < n; ++i) Time[i] = i;
}

namespace {

// Arithmetic of one evaluation as written, run in one of two modes. The fast mode has no
// checks at all: the caller tests the floating-point flags once afterwards. The checked mode
// tests them after every statement and treats every comparison with a not-a-number as the
// invalid operation it is, so that the first condition in program order gives the error. The
// fast run is replayed in checked mode only when its flags say something went wrong.
struct FastMode {
  static bool Less(double a, double b) { return a < b; }
  void After(double) {}
  double SquareRoot(double x) { return std::sqrt(x); }
};

struct CheckedMode {
  std::string notice;  // "sqrt: DOMAIN error" once the square root has failed

  bool Less(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) throw EInvalidOp(notice);
    return a < b;
  }
  void After(double value) {
    Settle(value);
    RaiseFpuErrors(notice);
  }
  double SquareRoot(double x) {
    if (Less(x, 0)) {
      notice = "sqrt: DOMAIN error";
      return std::numeric_limits<double>::quiet_NaN();
    }
    return std::sqrt(x);
  }
};

// core/batch.cpp steps the same arithmetic for several parameter sets at once and must agree
// with it to the last bit: change the two together. Leaves the polymer at the measured times in
// Fitted.
template <class Mode>
void StepPolymer(TModel& m, bool stepping, Mode& mode) {
  const int32_t n = m.Count;
  const double* time = m.Time.data();
  double* fitted = m.Fitted.data();
  const double dt = m.Dt;
  const double knuc = m.Param[Knuc];
  const double kon = m.Param[Kon];
  const double koff = m.Param[Koff];

  double t = m.Param[TShift];
  const double total = m.Init[0] + m.Init[1];
  mode.After(total);
  double cur0 = m.Init[0], cur1 = m.Init[1], cur2 = m.Init[2];
  double g = cur0, f = cur1, nf = cur2;  // the rate state: cur with negatives set to 0

  // What does not change from step to step is worked out once, in the order of the step's
  // operations, and only when a step is taken at all.
  double sk = 0, knuc3 = 0;  // s * (2 / k) and 3 * Knuc
  if (stepping) {
    const double s = mode.SquareRoot(koff);
    const double k = mode.Less(kon, kRateFloor) ? kRateFloor : kon;
    sk = s * (2 / k);
    mode.After(sk);
    knuc3 = 3 * knuc;
    mode.After(knuc3);
  }

  for (int32_t j = 0; j < n; ++j) {
    const double tj = time[j];
    while (mode.Less(t, tj)) {
      const double G = g, F = f, N = nf;
      const double fl = mode.Less(F, kRateFloor) ? kRateFloor : F;
      const double g3 = G * G * G;
      const double kg3 = knuc * g3;
      mode.After(kg3);
      const double e = sk * N / fl + kg3;
      mode.After(e);
      cur1 += dt * (knuc3 * g3 + kon * G * N - (2 * e + 1) * koff * N);
      mode.After(cur1);
      cur0 = total - cur1;
      mode.After(cur0);
      cur2 += dt * (kg3 - e * koff * N);
      mode.After(cur2);
      t += dt;
      mode.After(t);
      g = mode.Less(cur0, 0) ? 0 : cur0;
      f = mode.Less(cur1, 0) ? 0 : cur1;
      nf = mode.Less(cur2, 0) ? 0 : cur2;
    }
    fitted[j] = cur1;
  }
}

// Scales the polymer in Fitted between the background and the largest reading; negatives never
// count. Returns the mean squared residual.
template <class Mode>
double ScaleOntoReadings(TModel& m, Mode& mode) {
  const int32_t n = m.Count;
  double* fitted = m.Fitted.data();
  const double* data = m.Data.data();
  double* residual = m.Residual.data();
  double maxData = 0, maxFitted = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (mode.Less(maxData, data[i])) maxData = data[i];
    if (mode.Less(maxFitted, fitted[i])) maxFitted = fitted[i];
  }
  const double bfluo = m.Param[BFluo];
  double sum = 0;
  for (int32_t i = 0; i < n; ++i) {
    fitted[i] = bfluo + fitted[i] / maxFitted * (maxData - bfluo);
    mode.After(fitted[i]);
    residual[i] = fitted[i] - data[i];
    mode.After(residual[i]);
    sum += residual[i] * residual[i];
    mode.After(sum);
  }
  const double mean = sum / n;
  mode.After(mean);
  return mean;
}

template <class Mode>
double Simulate(TModel& m, bool stepping, Mode& mode) {
  StepPolymer(m, stepping, mode);
  return ScaleOntoReadings(m, mode);
}

// The largest polymer concentration in Fitted; negatives never count.
template <class Mode>
double LargestPolymer(const TModel& m, Mode& mode) {
  double largest = 0;
  for (int32_t i = 0; i < m.Count; ++i) {
    if (mode.Less(largest, m.Fitted[i])) largest = m.Fitted[i];
  }
  return largest;
}

}  // namespace

bool CheckTimeStep(const TModel& m, double start) {
  double lastTime = -std::numeric_limits<double>::infinity();
  for (int32_t j = 0; j < m.Count; ++j) {
    // The step loop compares every time with the simulated time: a not-a-number is invalid.
    if (std::isnan(m.Time[j])) throw EInvalidOp();
    lastTime = std::max(lastTime, m.Time[j]);
  }
  if (m.Count == 0) return false;
  if (std::isnan(start)) throw EInvalidOp();
  if (!(lastTime > start)) return false;
  if (std::isnan(m.Dt)) throw EInvalidOp();
  if (m.Dt <= 0) throw EInvalidInput("The time step must be greater than zero");
  // The simulated time runs from the shift to the last time; where its magnitude is largest
  // the spacing of 64-bit reals is widest, and a step below half of it leaves t unchanged.
  const double magnitude = std::max(std::fabs(start), std::fabs(lastTime));
  const double spacing =
      std::nextafter(magnitude, std::numeric_limits<double>::infinity()) - magnitude;
  if (!std::isfinite(magnitude) || !(m.Dt > spacing / 2)) {
    throw EInvalidInput("The time step is too small for the times");
  }
  return true;
}

double Evaluate(TModel& model) {
  const bool stepping = CheckTimeStep(model, model.Param[TShift]);
  ClearFpuFlags();
  FastMode fast;
  const double result = Settle(Simulate(model, stepping, fast));
  if (!FpuErrorRaised() && !std::isnan(result)) return result;
  // Something went wrong: replay with checks to raise the error of the first condition.
  ClearFpuFlags();
  CheckedMode checked;
  const double replayed = Simulate(model, stepping, checked);
  if (std::isnan(replayed)) throw EInvalidOp(checked.notice);
  return replayed;
}

double SimulatePolymer(TModel& model) {
  const bool stepping = CheckTimeStep(model, model.Param[TShift]);
  ClearFpuFlags();
  FastMode fast;
  StepPolymer(model, stepping, fast);
  const double largest = Settle(LargestPolymer(model, fast));
  if (!FpuErrorRaised() && !std::isnan(largest)) return largest;
  ClearFpuFlags();
  CheckedMode checked;
  StepPolymer(model, stepping, checked);
  return LargestPolymer(model, checked);
}

}  // namespace actinfit
