// Records shared by the model and search tests.
#pragma once

#include <cmath>

#include "core/defaults.h"
#include "core/model.h"

namespace actinfit::testing {

// The window's default fields: BFluo 10, TShift 100, Knuc 1E-8, Kon 8, Koff 1, their bounds,
// every parameter marked, G-actin 6 uM, Dt 0.1.
inline void SetWindowDefaults(TModel& m) {
  SetDefaultFields(m);
}

// The default case of the window: 1201 points at 0..1200 s, a smooth rising curve flat at 50 up
// to 100 s, BFluo 10, TShift 100, Knuc 1E-8, Kon 8, Koff 1, G-actin 6 uM, Dt 0.1, bounds and
// marks as the window starts with.
inline TModel DefaultModel() {
  TModel m(1201);
  for (int i = 0; i < 1201; ++i) {
    const double t = i;
    m.Data[i] = t <= 100 ? 50 : 50 + 1260 * (1 - std::exp(-std::pow((t - 100) / 330, 1.6)));
  }
  SetWindowDefaults(m);
  return m;
}

}  // namespace actinfit::testing
