// The window's default case, for the benchmarks.
#pragma once

#include <cmath>

#include "core/model.h"

namespace actinfit::bench {

inline TModel DefaultModel() {
  TModel m(1201);
  for (int i = 0; i < 1201; ++i) {
    const double t = i;
    m.Data[i] = t <= 100 ? 50 : 50 + 1260 * (1 - std::exp(-std::pow((t - 100) / 330, 1.6)));
  }
  m.Param = {10, 100, 1e-8, 8, 1};
  m.Min = {0, 0, 1e-11, 1, 0};
  m.Max = {100, 200, 1e-6, 20, 20};
  m.Fit = {true, true, true, true, true};
  m.Init = {6, 0, 0};
  m.Dt = 0.1;
  return m;
}

}  // namespace actinfit::bench
