// The best error attainable within the bounds on the default case, all five parameters marked,
// found without the refinement's own machinery: a profile over the stairs of TShift, and on each
// stair a grid of starts for the other four parameters, each refined by Ceres with its own
// central-difference Jacobian of Evaluate (Knuc as its logarithm). First every fortieth stair
// (4 s) over the whole range, then every stair within 2 s of the best coarse one, each stair also
// warm-started from the one before. Prints the best stair and the best error. Takes minutes.
#include <ceres/ceres.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "core/model.h"
#include "model_fixtures.h"

namespace actinfit {
namespace {

using TFour = std::array<double, 4>;  // BFluo, log10 Knuc, Kon, Koff

struct TResidualsAt {
  TModel* model;
  bool operator()(double const* const* x, double* residuals) const {
    model->Param[BFluo] = x[0][0];
    model->Param[Knuc] = std::pow(10.0, x[0][1]);
    model->Param[Kon] = x[0][2];
    model->Param[Koff] = x[0][3];
    try {
      Evaluate(*model);
    } catch (...) {
      return false;
    }
    for (int32_t i = 0; i < model->Count; ++i) residuals[i] = model->Residual[i];
    return true;
  }
};

double Refine(TModel& m, TFour& x) {
  ceres::Problem problem;
  auto* cost =
      new ceres::DynamicNumericDiffCostFunction<TResidualsAt, ceres::CENTRAL>(new TResidualsAt{&m});
  cost->AddParameterBlock(4);
  cost->SetNumResiduals(m.Count);
  problem.AddResidualBlock(cost, nullptr, x.data());
  const TFour lo{m.Min[BFluo], std::log10(m.Min[Knuc]), m.Min[Kon], m.Min[Koff]};
  const TFour hi{m.Max[BFluo], std::log10(m.Max[Knuc]), m.Max[Kon], m.Max[Koff]};
  for (int32_t d = 0; d < 4; ++d) {
    problem.SetParameterLowerBound(x.data(), d, lo[d]);
    problem.SetParameterUpperBound(x.data(), d, hi[d]);
  }
  ceres::Solver::Options options;
  options.max_num_iterations = 100;
  options.function_tolerance = 1e-12;
  options.parameter_tolerance = 1e-12;
  options.logging_type = ceres::SILENT;
  ceres::Solver::Summary summary;
  ceres::Solve(options, &problem, &summary);
  m.Param[BFluo] = x[0];
  m.Param[Knuc] = std::pow(10.0, x[1]);
  m.Param[Kon] = x[2];
  m.Param[Koff] = x[3];
  try {
    return Evaluate(m);
  } catch (...) {
    return std::numeric_limits<double>::infinity();
  }
}

// The best of a grid of starts (a quarter and three quarters of the ranges of Knuc, Kon and
// Koff, BFluo halfway) and the warm start, on stair `shift`.
double BestOnStair(TModel& m, double shift, TFour& warm) {
  m.Param[TShift] = shift;
  const TFour lo{m.Min[BFluo], std::log10(m.Min[Knuc]), m.Min[Kon], m.Min[Koff]};
  const TFour hi{m.Max[BFluo], std::log10(m.Max[Knuc]), m.Max[Kon], m.Max[Koff]};
  std::vector<TFour> starts{warm};
  for (int32_t c = 0; c < 16; ++c) {
    if (c & 1) continue;
    TFour x;
    for (int32_t d = 0; d < 4; ++d) x[d] = lo[d] + ((c >> d) & 1 ? 0.75 : 0.25) * (hi[d] - lo[d]);
    x[0] = (lo[0] + hi[0]) / 2;
    starts.push_back(x);
  }
  double best = std::numeric_limits<double>::infinity();
  TFour bestX = warm;
  for (TFour x : starts) {
    const double e = Refine(m, x);
    if (e < best) best = e, bestX = x;
  }
  warm = bestX;
  return best;
}

}  // namespace
}  // namespace actinfit

int main() {
  using namespace actinfit;
  TModel m = testing::DefaultModel();
  const double anchor = m.Param[TShift], dt = m.Dt;
  TFour warm{m.Param[BFluo], std::log10(m.Param[Knuc]), m.Param[Kon], m.Param[Koff]};
  const auto kFirst = static_cast<int32_t>(std::ceil((m.Min[TShift] - anchor) / dt));
  const auto kLast = static_cast<int32_t>(std::floor((m.Max[TShift] - anchor) / dt));
  double best = std::numeric_limits<double>::infinity();
  int32_t bestK = 0;
  for (int32_t k = kFirst; k <= kLast; k += 40) {
    const double e = BestOnStair(m, anchor + k * dt, warm);
    std::printf("coarse TShift %.1f error %.6f\n", anchor + k * dt, e);
    std::fflush(stdout);
    if (e < best) best = e, bestK = k;
  }
  const int32_t coarseK = bestK;
  for (int32_t k = std::max(kFirst, coarseK - 20); k <= std::min(kLast, coarseK + 20); ++k) {
    const double e = BestOnStair(m, anchor + k * dt, warm);
    std::printf("fine TShift %.1f error %.6f\n", anchor + k * dt, e);
    std::fflush(stdout);
    if (e < best) best = e, bestK = k;
  }
  std::printf("best TShift %.1f error %.7f\n", anchor + bestK * dt, best);
}
