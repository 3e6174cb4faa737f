#include "core/batch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/fpu.h"

namespace actinfit {
namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

// Two lanes to a vector register on every x86-64; the compiler splits wider vector types into
// as many registers as the target has room for.
using TVec2 = double __attribute__((vector_size(16)));
using TVec4 = double __attribute__((vector_size(32)));

// Sets every lane of `v` to `x` (by reference: a vector return value has a different ABI with
// and without 256-bit vectors).
template <class V>
[[gnu::always_inline]] inline void Fill(V& v, double x) {
  for (size_t e = 0; e < sizeof(V) / sizeof(double); ++e) v[e] = x;
}

// One lane of a pass: the record it samples (times, start, step), its parameter set, and where
// its polymer curve goes: point i at curve[i * stride].
struct TLane {
  const TModel* record;
  const TParamSet* set;
  bool stepping;
  double* curve;
  size_t stride;
};

// Steps the lanes side by side, W lanes to a vector and P vectors: every statement of Evaluate's
// step is a vector operation, and the lanes' chains of dependent operations overlap. Each lane
// has its own record, simulated time (the trials of TShift start elsewhere) and next sample
// point. A lane past its last point is stilled: its state and step become 0, so that its
// further steps compute exact zeros and raise no flag, while the other lanes go on. Leaves each
// lane's polymer at its record's times in its curve. No checks: the caller reads the flags.
template <class V, int32_t P>
[[gnu::always_inline]] inline void StepLanes(const TLane* lanes) {
  constexpr int32_t W = sizeof(V) / sizeof(double);
  constexpr int32_t L = W * P;

  V knuc[P], kon[P], koff[P], sk[P], knuc3[P], dt[P], total[P];
  V t[P], next[P], cur1[P], cur2[P], g[P], f[P], nf[P];
  int32_t j[L];
  bool done[L];
  for (int32_t l = 0; l < L; ++l) {
    const int32_t p = l / W, e = l % W;
    const TModel& m = *lanes[l].record;
    const TParamSet& set = *lanes[l].set;
    knuc[p][e] = set[Knuc];
    kon[p][e] = set[Kon];
    koff[p][e] = set[Koff];
    dt[p][e] = m.Dt;
    total[p][e] = m.Init[0] + m.Init[1];
    t[p][e] = set[TShift];
    g[p][e] = m.Init[0];
    cur1[p][e] = f[p][e] = m.Init[1];
    cur2[p][e] = nf[p][e] = m.Init[2];
    sk[p][e] = 0;
    knuc3[p][e] = 0;
    if (lanes[l].stepping) {
      const double s = std::sqrt(set[Koff]);
      const double k = set[Kon] < kRateFloor ? kRateFloor : set[Kon];
      sk[p][e] = s * (2 / k);
      knuc3[p][e] = 3 * set[Knuc];
    }
    j[l] = 0;
    next[p][e] = -kNever;  // the first sampling looks at every lane
    done[l] = false;
  }

  int32_t running = L;
  // Stores cur1 at every point whose time the lane's simulated time has reached.
  const auto sample = [&] {
    for (int32_t l = 0; l < L; ++l) {
      const int32_t p = l / W, e = l % W;
      if (done[l] || t[p][e] < next[p][e]) continue;
      const int32_t n = lanes[l].record->Count;
      const double* time = lanes[l].record->Time.data();
      while (j[l] < n && !(t[p][e] < time[j[l]])) {
        lanes[l].curve[static_cast<size_t>(j[l]) * lanes[l].stride] = cur1[p][e];
        ++j[l];
      }
      if (j[l] < n) {
        next[p][e] = time[j[l]];
        continue;
      }
      done[l] = true;
      --running;
      next[p][e] = kNever;
      dt[p][e] = total[p][e] = 0;
      cur1[p][e] = cur2[p][e] = g[p][e] = f[p][e] = nf[p][e] = 0;
    }
  };

  V zero, one, two, floor;
  Fill(zero, 0);
  Fill(one, 1);
  Fill(two, 2);
  Fill(floor, kRateFloor);
  sample();
  while (running > 0) {
    // Evaluate's step, operation for operation.
    for (int32_t p = 0; p < P; ++p) {
      const V G = g[p], F = f[p], N = nf[p];
      const V fl = F < floor ? floor : F;
      const V g3 = G * G * G;
      const V kg3 = knuc[p] * g3;
      const V e = sk[p] * N / fl + kg3;
      cur1[p] += dt[p] * (knuc3[p] * g3 + kon[p] * G * N - (two * e + one) * koff[p] * N);
      const V cur0 = total[p] - cur1[p];
      cur2[p] += dt[p] * (kg3 - e * koff[p] * N);
      t[p] += dt[p];
      g[p] = cur0 < zero ? zero : cur0;
      f[p] = cur1[p] < zero ? zero : cur1[p];
      nf[p] = cur2[p] < zero ? zero : cur2[p];
    }
    bool due = false;
    for (int32_t p = 0; p < P; ++p) {
      const auto before = t[p] < next[p];
      for (int32_t e = 0; e < W; ++e) due |= before[e] == 0;
    }
    if (due) sample();
  }
}

// Evaluate's scaling of the lanes' curves onto the readings of their one record, lane by lane
// in each point: `curves` holds point i of lane l at i * W * P + l, and is scaled in place.
template <class V, int32_t P>
[[gnu::always_inline]] inline void ScaleLanes(const TModel& m, const TParamSet* sets,
                                              double* curves, double* errors) {
  constexpr int32_t W = sizeof(V) / sizeof(double);
  const int32_t n = m.Count;
  const double* data = m.Data.data();
  double maxData = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (maxData < data[i]) maxData = data[i];
  }
  V zero;
  Fill(zero, 0);
  V maxFitted[P], bfluo[P], sum[P];
  for (int32_t p = 0; p < P; ++p) {
    maxFitted[p] = sum[p] = zero;
    for (int32_t e = 0; e < W; ++e) bfluo[p][e] = sets[p * W + e][BFluo];
  }
  constexpr int32_t L = W * P;
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t p = 0; p < P; ++p) {
      V curve;
      std::memcpy(&curve, curves + static_cast<size_t>(i) * L + p * W, sizeof curve);
      maxFitted[p] = maxFitted[p] < curve ? curve : maxFitted[p];
    }
  }
  V top;
  Fill(top, maxData);
  for (int32_t i = 0; i < n; ++i) {
    V reading;
    Fill(reading, data[i]);
    for (int32_t p = 0; p < P; ++p) {
      double* at = curves + static_cast<size_t>(i) * L + p * W;
      V curve;
      std::memcpy(&curve, at, sizeof curve);
      curve = bfluo[p] + curve / maxFitted[p] * (top - bfluo[p]);
      std::memcpy(at, &curve, sizeof curve);
      const V residual = curve - reading;
      sum[p] += residual * residual;
    }
  }
  V count;
  Fill(count, n);
  for (int32_t p = 0; p < P; ++p) {
    const V mean = sum[p] / count;
    for (int32_t e = 0; e < W; ++e) errors[p * W + e] = mean[e];
  }
}

// A pass: the lanes to step, and, when `scaleOnto` is set, Evaluate's scaling of their curves
// (interleaved in `curves`, all lanes on that one record) with the errors in `errors`.
struct TPass {
  const TLane* lanes;
  const TModel* scaleOnto;
  const TParamSet* sets;
  double* curves;
  double* errors;
};

using TLanesKernel = void (*)(const TPass&);

template <class V, int32_t P>
[[gnu::always_inline]] inline void RunPass(const TPass& pass) {
  StepLanes<V, P>(pass.lanes);
  if (pass.scaleOnto != nullptr)
    ScaleLanes<V, P>(*pass.scaleOnto, pass.sets, pass.curves, pass.errors);
}

template <class V, int32_t P>
void Kernel(const TPass& pass) {
  RunPass<V, P>(pass);
}

// The same code built for 256-bit vectors, called only where the processor has them (the
// shipped build targets every x86-64). The instructions differ, the rounding does not: every
// operation is still the IEEE operation on each lane, with no fused multiply-add.
#if defined(__x86_64__)
template <class V, int32_t P>
[[gnu::target("avx2")]] void KernelAvx2(const TPass& pass) {
  RunPass<V, P>(pass);
}
#else
template <class V, int32_t P>
constexpr TLanesKernel KernelAvx2 = Kernel<V, P>;  // never chosen: see WidestLaneWidth
#endif

// The pass widths of each vector width, narrowest first: a batch takes the first that holds
// it; spare lanes cost little next to the latency they hide. Measured on the default case
// (bench/bench_batch.cpp, BM_OnePass), one Euler step of one set costs 12.6 ns alone. With
// four-lane vectors it costs 3.3, 1.9 and 1.8 ns for 4, 8 and 10 sets (passes of 4, 8 and 12
// lanes), with two-lane vectors 3.6, 2.8 and 2.9 ns (passes of 4, 8 and 10). A two-lane pass
// of 6 was slower than one of 8, so it is left out.
struct TPassWidth {
  int32_t lanes;
  TLanesKernel kernel;
};
constexpr TPassWidth kTwoLanePasses[] = {
    {2, Kernel<TVec2, 1>},
    {4, Kernel<TVec2, 2>},
    {8, Kernel<TVec2, 4>},
    {10, Kernel<TVec2, 5>},
};
constexpr TPassWidth kFourLanePasses[] = {
    {4, KernelAvx2<TVec4, 1>},
    {8, KernelAvx2<TVec4, 2>},
    {12, KernelAvx2<TVec4, 3>},
};
constexpr int32_t kWidestPass = kFourLanePasses[std::size(kFourLanePasses) - 1].lanes;
static_assert(kTwoLanePasses[std::size(kTwoLanePasses) - 1].lanes >= kBatchLanes);
static_assert(kWidestPass >= kBatchLanes);

// The pass widths of a vector width, narrowest first.
std::span<const TPassWidth> PassWidths(TLaneWidth width) {
  if (width == TLaneWidth::Four) return kFourLanePasses;
  return kTwoLanePasses;
}

}  // namespace

TLaneWidth WidestLaneWidth() {
#if defined(__x86_64__)
  static const bool wide = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return wide ? TLaneWidth::Four : TLaneWidth::Two;
#else
  return TLaneWidth::Two;
#endif
}

TBatchEvaluator::TBatchEvaluator(TLaneWidth width) : width_(width) {}

TBatchOutcome EvaluateOneAtATime(TModel& model, std::span<const TParamSet> sets,
                                 std::span<double> errors) {
  return EvaluateOneAtATime(model, sets, errors, {});
}

TBatchOutcome EvaluateOneAtATime(TModel& model, std::span<const TParamSet> sets,
                                 std::span<double> errors, std::span<double> curves) {
  const TParamSet saved = model.Param;
  const auto n = static_cast<size_t>(model.Count);
  for (size_t s = 0; s < sets.size(); ++s) {
    model.Param = sets[s];
    try {
      errors[s] = Evaluate(model);
    } catch (...) {
      return {static_cast<int32_t>(s), std::current_exception()};
    }
    if (!curves.empty()) std::copy_n(model.Fitted.begin(), n, curves.begin() + s * n);
  }
  model.Param = saved;
  return {static_cast<int32_t>(sets.size()), nullptr};
}

TBatchOutcome TBatchEvaluator::Evaluate(TModel& model, std::span<const TParamSet> sets,
                                        std::span<double> errors) {
  return Evaluate(model, sets, errors, {});
}

TBatchOutcome TBatchEvaluator::Evaluate(TModel& model, std::span<const TParamSet> sets,
                                        std::span<double> errors, std::span<double> curves) {
  const auto n = static_cast<size_t>(model.Count);
  int32_t evaluated = 0;
  while (static_cast<size_t>(evaluated) < sets.size()) {
    const size_t count = std::min(sets.size() - evaluated, static_cast<size_t>(kBatchLanes));
    const TBatchOutcome pass =
        EvaluatePass(model, sets.subspan(evaluated, count), errors.subspan(evaluated, count),
                     curves.empty() ? curves : curves.subspan(evaluated * n, count * n));
    evaluated += pass.evaluated;
    if (pass.failure) return {evaluated, pass.failure};
  }
  return {evaluated, nullptr};
}

TBatchOutcome TBatchEvaluator::EvaluatePass(TModel& model, std::span<const TParamSet> sets,
                                            std::span<double> errors, std::span<double> curves) {
  const auto count = static_cast<int32_t>(sets.size());
  // A single set gains nothing from lanes.
  if (count <= 1) return EvaluateOneAtATime(model, sets, errors, curves);
  const TPassWidth* width = PassWidths(width_).data();
  while (width->lanes < count) ++width;

  // Spare lanes repeat the last set: they raise exactly what it raises.
  std::array<TParamSet, kWidestPass> laneSets;
  std::array<TLane, kWidestPass> lanes;
  curves_.resize(static_cast<size_t>(model.Count) * width->lanes);
  for (int32_t l = 0; l < width->lanes; ++l) {
    laneSets[l] = sets[std::min(l, count - 1)];
    lanes[l] = {&model, &laneSets[l], false, curves_.data() + l, static_cast<size_t>(width->lanes)};
    if (l >= count) {
      lanes[l].stepping = lanes[count - 1].stepping;
      continue;
    }
    try {
      lanes[l].stepping = CheckTimeStep(model, laneSets[l][TShift]);
    } catch (...) {
      // A refused time step; one at a time, the sets before it may fail first.
      return EvaluateOneAtATime(model, sets, errors, curves);
    }
  }

  std::array<double, kWidestPass> laneErrors;
  ClearFpuFlags();
  width->kernel({lanes.data(), &model, laneSets.data(), curves_.data(), laneErrors.data()});
  bool clean = !FpuErrorRaised();
  for (int32_t l = 0; l < count; ++l) clean = clean && !std::isnan(laneErrors[l]);
  // Something went wrong in some lane: Evaluate finds which set fails first, and how.
  if (!clean) return EvaluateOneAtATime(model, sets, errors, curves);

  std::copy_n(laneErrors.begin(), count, errors.begin());
  // The record holds the last set's curve, as after evaluating the sets one at a time.
  const size_t last = static_cast<size_t>(count) - 1;
  for (int32_t i = 0; i < model.Count; ++i) {
    model.Fitted[i] = curves_[static_cast<size_t>(i) * width->lanes + last];
    model.Residual[i] = model.Fitted[i] - model.Data[i];
  }
  if (!curves.empty()) {
    const auto n = static_cast<size_t>(model.Count);
    for (size_t s = 0; s < static_cast<size_t>(count); ++s) {
      for (size_t i = 0; i < n; ++i) curves[s * n + i] = curves_[i * width->lanes + s];
    }
  }
  return {count, nullptr};
}

TBatchOutcome SimulatePolymerOneAtATime(std::span<const TPolymerTrial> trials,
                                        std::span<double> largest) {
  for (size_t s = 0; s < trials.size(); ++s) {
    TModel& record = *trials[s].record;
    record.Param = trials[s].set;
    try {
      largest[s] = SimulatePolymer(record);
    } catch (...) {
      return {static_cast<int32_t>(s), std::current_exception()};
    }
    std::copy(record.Fitted.begin(), record.Fitted.end(), trials[s].curve);
  }
  return {static_cast<int32_t>(trials.size()), nullptr};
}

namespace {

// One pass of at most the widest pass's lanes; `spareCurve` holds the spare lanes' curves.
TBatchOutcome PolymerPass(const TPassWidth* width, std::span<const TPolymerTrial> trials,
                          std::span<double> largest, std::vector<double>& spareCurve) {
  const auto count = static_cast<int32_t>(trials.size());
  if (count <= 1) return SimulatePolymerOneAtATime(trials, largest);
  while (width->lanes < count) ++width;

  // Spare lanes repeat the last trial into scratch space: they raise exactly what it raises.
  const TPolymerTrial& last = trials[static_cast<size_t>(count) - 1];
  spareCurve.resize(static_cast<size_t>(last.record->Count));
  std::array<TLane, kWidestPass> lanes;
  for (int32_t l = 0; l < width->lanes; ++l) {
    const bool spare = l >= count;
    const TPolymerTrial& trial = spare ? last : trials[static_cast<size_t>(l)];
    lanes[l] = {trial.record, &trial.set, false, spare ? spareCurve.data() : trial.curve, 1};
    if (spare) {
      lanes[l].stepping = lanes[count - 1].stepping;
      continue;
    }
    try {
      lanes[l].stepping = CheckTimeStep(*trial.record, trial.set[TShift]);
    } catch (...) {
      return SimulatePolymerOneAtATime(trials, largest);
    }
  }

  ClearFpuFlags();
  width->kernel({lanes.data(), nullptr, nullptr, nullptr, nullptr});
  bool clean = !FpuErrorRaised();
  // SimulatePolymer's largest value: negatives never count, as a comparison leaves them out.
  for (int32_t l = 0; l < count && clean; ++l) {
    const TPolymerTrial& trial = trials[static_cast<size_t>(l)];
    double top = 0;
    for (int32_t i = 0; i < trial.record->Count; ++i) {
      if (top < trial.curve[i]) top = trial.curve[i];
    }
    largest[static_cast<size_t>(l)] = top;
    clean = !std::isnan(top);
  }
  // Something went wrong in some lane: SimulatePolymer finds which trial fails first, and how.
  if (!clean) return SimulatePolymerOneAtATime(trials, largest);
  return {count, nullptr};
}

}  // namespace

TBatchOutcome TBatchEvaluator::SimulatePolymers(std::span<const TPolymerTrial> trials,
                                                std::span<double> largest) {
  const std::span<const TPassWidth> widths = PassWidths(width_);
  const auto widest = static_cast<size_t>(widths.back().lanes);
  int32_t done = 0;
  while (static_cast<size_t>(done) < trials.size()) {
    const size_t count = std::min(trials.size() - static_cast<size_t>(done), widest);
    const TBatchOutcome pass =
        PolymerPass(widths.data(), trials.subspan(static_cast<size_t>(done), count),
                    largest.subspan(static_cast<size_t>(done), count), curves_);
    done += pass.evaluated;
    if (pass.failure) return {done, pass.failure};
  }
  return {done, nullptr};
}

}  // namespace actinfit
