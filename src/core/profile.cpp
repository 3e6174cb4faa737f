#include "core/profile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/errors.h"
#include "core/fit_statistics.h"
#include "core/profile_engine.h"
#include "core/refine_local.h"

namespace actinfit {

using refine::TAxis;
using refine::TTie;

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Each held solve: a short solve from every start (the neighbour's solution, the best point
// moved along Knuc x Kon and Koff / Kon, a few spread over the bounds), then from the lowest a
// solve over every free axis and once more over those left inside their bounds (a projected
// step against an active bound makes the solver crawl).
constexpr refine::TSolveLimits kHeldFirstSolve{30, 1e-6};
constexpr refine::TSolveLimits kHeldSolve{100, 1e-10};
constexpr int32_t kHeldSpreadStarts = 3;
constexpr int32_t kPrimes[] = {2, 3, 5, 7, 11};

// A point whose SSR is below the best's by more than this fraction moves the best: less is the
// solver's own tolerance.
constexpr double kLower = 1e-6;

// p at `at`: the refined parameters not on a bound (TShift's stairs end exactly on its bounds).
int32_t FreeParameters(const std::array<bool, kParamCount>& fit, const TParamSet& min,
                       const TParamSet& max, const TParamSet& at) {
  int32_t free = 0;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (!fit[k] || !(min[k] < max[k])) continue;
    if (k == TShift) {
      free += at[k] > min[k] && at[k] < max[k];
    } else {
      const double u = refine::Narrowed(TAxis{k, false, 0, 0, 0}, min[k], max[k]).Unit(at[k]);
      free += u > refine::kOnBound && u < 1 - refine::kOnBound;
    }
  }
  return free;
}

// The record reached through its accessor; the least SSR with one quantity held, every other
// refined parameter but TShift free within its bounds; TShift stays on its stair.
class TModelObjective final : public profile::TProfileObjective {
 public:
  TModelObjective(const ModelAccess& access, const ProfileReport& report, double level,
                  const TParamSet& best);

  double BestSSR() const override { return bestSSR_; }
  const profile::TState& BestState() const override { return bestState_; }
  double Threshold() const override { return threshold_; }
  double Value(int32_t quantity, const profile::TState& state) const override;
  profile::THeldSolve SolveHeld(int32_t quantity, double value,
                                const profile::TState& warm) override;
  bool LowerPointFound() const override {
    return context_.Points() * context_.bestError < bestSSR_ * (1 - kLower);
  }
  void MoveToLowerPoint() override;
  bool Stopped(int32_t quantitiesDone, int32_t quantities) override;

  refine::TContext& Context() { return context_; }
  const std::vector<TAxis>& Axes() const { return axes_; }
  TParamSet Best() const { return ToSet(bestState_); }
  int32_t Parameters() const { return parameters_; }

 private:
  static TParamSet ToSet(const profile::TState& state);
  void SetBest(const TParamSet& best, double error);
  // The axes and the tie of a held solve, and its start.
  std::vector<TAxis> HeldAxes(int32_t quantity, double value, TParamSet& start,
                              std::optional<TTie>& tie) const;
  // The starts of a held solve at `value`.
  std::vector<TParamSet> HeldStarts(int32_t quantity, const TParamSet& warm) const;
  TParamSet AlongCombinations(int32_t quantity, double value) const;
  refine::TLocalResult SolveToEnd(const std::vector<TAxis>& axes, const TParamSet& start,
                                  const std::optional<TTie>& tie);

  TProfileProgress progress_{0, 0};
  ProfileReport report_;
  refine::TContext context_;
  double level_;
  std::vector<TAxis> axes_;     // every refined parameter but TShift
  std::optional<TAxis> shift_;  // TShift when refined: it moves along a secant in held solves
  std::array<bool, kParamCount> fit_{};
  std::array<double, kParamCount> min_{}, max_{};
  profile::TState bestState_;
  double bestSSR_ = kInfinity, threshold_ = kInfinity;
  int32_t parameters_ = 0;
};

TModelObjective::TModelObjective(const ModelAccess& access, const ProfileReport& report,
                                 double level, const TParamSet& best)
    : report_(report),
      context_(access,
               report ? RefineReport([this](const TRefineProgress&) { return report_(progress_); })
                      : RefineReport(),
               0),
      level_(level) {
  const TModel& m = context_.Model();
  min_ = m.Min;
  max_ = m.Max;
  fit_ = m.Fit;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (m.Fit[k] && m.Min[k] < m.Max[k] && k != TShift) axes_.push_back(refine::MakeAxis(m, k));
  }
  if (m.Fit[TShift] && m.Min[TShift] < m.Max[TShift]) shift_ = refine::MakeAxis(m, TShift);
  double error;
  std::vector<double> curve(static_cast<size_t>(m.Count));
  if (!context_.Evaluate(std::span(&best, 1), std::span(&error, 1), curve)) {
    std::rethrow_exception(context_.TakeFailure());
  }
  if (!std::isfinite(error)) std::rethrow_exception(context_.failures.FirstError);
  SetBest(best, error);
}

TParamSet TModelObjective::ToSet(const profile::TState& state) {
  TParamSet set;
  std::copy_n(state.begin(), kParamCount, set.begin());
  return set;
}

void TModelObjective::SetBest(const TParamSet& best, double error) {
  bestState_.assign(best.begin(), best.end());
  const int32_t n = context_.Points();
  bestSSR_ = n * error;
  parameters_ = FreeParameters(fit_, min_, max_, best);
  const double dof = n - parameters_;
  threshold_ =
      dof >= 1 && parameters_ > 0 ? bestSSR_ * (1 + FQuantileOne(level_, dof) / dof) : kInfinity;
}

double TModelObjective::Value(int32_t quantity, const profile::TState& state) const {
  if (quantity == kProfileKnucKon) return state[Knuc] * state[Kon];
  if (quantity == kProfileKoffKon) return state[Koff] / state[Kon];
  return state[static_cast<size_t>(quantity)];
}

std::vector<TAxis> TModelObjective::HeldAxes(int32_t quantity, double value, TParamSet& start,
                                             std::optional<TTie>& tie) const {
  std::vector<TAxis> axes;
  if (quantity < kParamCount) {
    start[quantity] = value;
    for (const TAxis& axis : axes_) {
      if (axis.index != quantity) axes.push_back(axis);
    }
    if (shift_) axes.push_back(*shift_);
    return axes;
  }
  // Kon moves within the range that keeps the dependent rate inside its bounds.
  const bool product = quantity == kProfileKnucKon;
  const int32_t dependent = product ? Knuc : Koff;
  double lo = min_[Kon], hi = max_[Kon];
  if (product) {
    if (max_[Knuc] > 0) lo = std::max(lo, value / max_[Knuc]);
    if (min_[Knuc] > 0) hi = std::min(hi, value / min_[Knuc]);
  } else if (value > 0) {
    lo = std::max(lo, min_[Koff] / value);
    hi = std::min(hi, max_[Koff] / value);
  }
  hi = std::max(lo, hi);
  tie = TTie{dependent, Kon, product, value, min_[dependent], max_[dependent]};
  start[Kon] = std::clamp(start[Kon], lo, hi);
  for (const TAxis& axis : axes_) {
    if (axis.index == dependent) continue;
    if (axis.index != Kon) {
      axes.push_back(axis);
    } else if (lo < hi) {
      axes.push_back(refine::Narrowed(axis, lo, hi));
    }
  }
  tie->Apply(start);
  if (shift_) axes.push_back(*shift_);
  return axes;
}

// The best point with the held parameter at `value` and the free rates moved so that
// Knuc x Kon and Koff / Kon keep their best values (inside the bounds): the profile may run
// along a valley that a solve from the neighbour alone would leave for a bound.
TParamSet TModelObjective::AlongCombinations(int32_t quantity, double value) const {
  TParamSet set = Best();
  const double product = set[Knuc] * set[Kon], ratio = set[Koff] / set[Kon];
  set[quantity] = value;
  if (!(product > 0) || !(ratio > 0) || !std::isfinite(product) || !std::isfinite(ratio)) {
    return set;
  }
  const auto free = [&](int32_t k) {
    return k != quantity && std::any_of(axes_.begin(), axes_.end(),
                                        [k](const TAxis& axis) { return axis.index == k; });
  };
  if (free(Kon))
    set[Kon] = quantity == Knuc ? product / value : quantity == Koff ? value / ratio : set[Kon];
  if (free(Knuc)) set[Knuc] = product / set[Kon];
  if (free(Koff)) set[Koff] = ratio * set[Kon];
  for (const TAxis& axis : axes_)
    set[axis.index] = std::clamp(set[axis.index], min_[axis.index], max_[axis.index]);
  return set;
}

std::vector<TParamSet> TModelObjective::HeldStarts(int32_t quantity, const TParamSet& warm) const {
  std::vector<TParamSet> starts{warm};
  if (quantity >= kParamCount) return starts;
  starts.push_back(AlongCombinations(quantity, warm[quantity]));
  for (int32_t i = 1; i <= kHeldSpreadStarts; ++i) {
    TParamSet start = Best();
    for (size_t d = 0; d < axes_.size(); ++d) {
      start[axes_[d].index] = axes_[d].Value(refine::RadicalInverse(i, kPrimes[d]));
    }
    starts.push_back(start);
  }
  return starts;
}

// The neighbour's solution solved to the end; a short solve from each other start, and the
// lowest of those, when below, solved to the end too. A start whose evaluation fails is passed
// over; the solve fails only when every start does.
profile::THeldSolve TModelObjective::SolveHeld(int32_t quantity, double value,
                                               const profile::TState& warm) {
  std::exception_ptr failure;
  std::optional<TTie> tie;
  std::vector<TAxis> axes;
  refine::TLocalResult lowest{ToSet(warm), kInfinity, {}};
  const std::vector<TParamSet> starts = HeldStarts(quantity, ToSet(warm));
  refine::TLocalResult other{lowest.set, kInfinity, {}};
  for (size_t s = 0; s < starts.size() && !context_.stopped; ++s) {
    TParamSet start = starts[s];
    axes = HeldAxes(quantity, value, start, tie);
    const refine::TLocalResult end =
        s == 0 ? SolveToEnd(axes, start, tie)
               : refine::Solve(context_, axes, {start, kInfinity, {}}, kHeldFirstSolve, tie);
    if (context_.failure) {
      if (!failure) failure = context_.failure;
      context_.TakeFailure();
      continue;
    }
    refine::TLocalResult& kept = s == 0 ? lowest : other;
    if (end.error < kept.error) kept = end;
  }
  if (other.error < lowest.error && !context_.stopped) {
    const refine::TLocalResult end = SolveToEnd(axes, other.set, tie);
    if (!context_.failure && end.error < lowest.error) lowest = end;
    context_.TakeFailure();
  }
  if (!std::isfinite(lowest.error)) {
    // A held value at which no point could be evaluated ends the walk there, as an error would.
    if (!failure && context_.failures.LastError) {
      failure = std::exchange(context_.failures.LastError, nullptr);
    }
    if (failure) return {kInfinity, {}, failure};
    return {kInfinity, warm, nullptr};
  }
  return {context_.Points() * lowest.error, profile::TState(lowest.set.begin(), lowest.set.end()),
          nullptr};
}

// Over every free axis, then once more over those left inside their bounds.
refine::TLocalResult TModelObjective::SolveToEnd(const std::vector<TAxis>& axes,
                                                 const TParamSet& start,
                                                 const std::optional<TTie>& tie) {
  refine::TLocalResult end = refine::Solve(context_, axes, {start, kInfinity, {}}, kHeldSolve, tie);
  if (!context_.Ended()) {
    const std::vector<TAxis> inside = refine::AxesInside(axes, end.set);
    if (!inside.empty() && inside.size() < axes.size()) {
      end = refine::Solve(context_, inside, end, kHeldSolve, tie);
    }
  }
  return end;
}

// The lowest point evaluated, refined over every free axis from there.
void TModelObjective::MoveToLowerPoint() {
  const TParamSet lower = context_.bestSet;
  const std::vector<TAxis> inside = refine::AxesInside(axes_, lower);
  refine::Solve(context_, inside, {lower, kInfinity, {}}, kHeldSolve);
  context_.TakeFailure();
  SetBest(context_.bestSet, context_.bestError);
}

bool TModelObjective::Stopped(int32_t quantitiesDone, int32_t quantities) {
  progress_ = {quantitiesDone, quantities};
  context_.Tick();
  return context_.stopped;
}

// The quantities the marks allow: each refined parameter but TShift, the product when Knuc and
// Kon are refined, the ratio when Kon (with a positive lower bound) and Koff are.
std::vector<profile::TQuantity> Quantities(const TModel& m) {
  const auto refined = [&](int32_t k) { return m.Fit[k] && m.Min[k] < m.Max[k]; };
  std::vector<profile::TQuantity> quantities;
  for (const int32_t k : {BFluo, Knuc, Kon, Koff}) {
    if (refined(k)) quantities.push_back({k, m.Min[k], m.Max[k], k != BFluo});
  }
  if (refined(Knuc) && refined(Kon)) {
    quantities.push_back(
        {kProfileKnucKon, m.Min[Knuc] * m.Min[Kon], m.Max[Knuc] * m.Max[Kon], true});
  }
  if (refined(Kon) && refined(Koff) && m.Min[Kon] > 0) {
    quantities.push_back(
        {kProfileKoffKon, m.Min[Koff] / m.Max[Kon], m.Max[Koff] / m.Min[Kon], true});
  }
  return quantities;
}

void CheckProfilable(const TModel& m, double level) {
  if (!(level > 0 && level < 1)) {
    throw EInvalidInput("The confidence level of the profile intervals must lie between 0 and 1");
  }
  refine::CheckRefinable(m);
}

}  // namespace

TProfileResult ProfileIntervals(TModel& model, double level) {
  return ProfileIntervals([&model]() -> TModel& { return model; }, nullptr, level);
}

TProfileResult ProfileIntervals(const ModelAccess& access, const ProfileReport& report,
                                double level) {
  const TModel& initial = access();
  CheckProfilable(initial, level);
  TParamSet best = initial.Param;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (initial.Fit[k]) best[k] = std::clamp(best[k], initial.Min[k], initial.Max[k]);
  }
  if (FreeParameters(initial.Fit, initial.Min, initial.Max, best) == 0) {
    throw EInvalidInput("Every marked parameter is on a bound: there is nothing to profile");
  }
  const std::vector<profile::TQuantity> quantities = Quantities(initial);

  TModelObjective objective(access, report, level, best);
  const profile::TProfilesOutcome outcome = profile::RunProfiles(objective, quantities);

  TProfileResult r;
  r.Status.fill(TProfileStatus::NotProfiled);
  for (size_t q = 0; q < quantities.size(); ++q) {
    const profile::TQuantityProfile& p = outcome.profiles[q];
    const int32_t id = quantities[q].id;
    r.Curve[id] = p.curve;
    r.Status[id] = p.status;
    r.Note[id] = p.note;
    r.Shape[id] = p.shape;
    if (id < kParamCount) {
      r.Param[id] = p.interval;
    } else if (id == kProfileKnucKon) {
      r.KnucKon = p.interval;
    } else {
      r.KoffKon = p.interval;
    }
  }
  r.SSRMin = objective.BestSSR();
  r.Threshold = objective.Threshold();
  r.Points = objective.Context().Points();
  r.Parameters = objective.Parameters();
  r.BestMoved = outcome.moved;
  r.Stopped = outcome.stopped;
  // The best point and its curve in the record (the held solves left theirs there).
  TModel& last = access();
  last.Param = objective.Best();
  Evaluate(last);
  return r;
}

}  // namespace actinfit
