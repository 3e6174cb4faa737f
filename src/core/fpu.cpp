#include "core/fpu.h"

#include <cfenv>

#include "core/errors.h"

namespace actinfit {

void ClearFpuFlags() {
  std::feclearexcept(FE_ALL_EXCEPT);
}

bool FpuErrorRaised() {
  return std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW) != 0;
}

void RaiseFpuErrors(const std::string& notice) {
  const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
  if (raised == 0) return;
  ClearFpuFlags();
  if (raised & FE_OVERFLOW) throw EOverflow(notice);
  if (raised & FE_DIVBYZERO) throw EZeroDivide(notice);
  throw EInvalidOp(notice);
}

}  // namespace actinfit
