// Floating-point error policy. Arithmetic runs with the IEEE flags only; code that must report
// invalid operations, divisions by zero and overflows clears the flags before a phase and tests
// them after it, then throws the error of the condition that happened.
#pragma once

#include <string>

namespace actinfit {

// Clears the invalid, division-by-zero and overflow flags (and the silent ones).
void ClearFpuFlags();

// Throws the error of a raised flag, if any. When one phase raised several, the overflow or
// division by zero is taken to have come first: an invalid operation in a checked phase is the
// consequence of an infinity that one of them made.
void RaiseFpuErrors(const std::string& notice = {});

// True when one of the three error flags is raised.
bool FpuErrorRaised();

// Makes sure the computation of `value` is complete before the flags are read next, and that
// the compiler does not move it past that point.
template <class T>
inline T Settle(T value) {
  asm volatile("" : "+m"(value)::"memory");
  return value;
}

// Clears the flags, runs `f`, and throws the error of any flag it raised.
template <class F>
inline auto Checked(F&& f) {
  ClearFpuFlags();
  auto result = Settle(f());
  RaiseFpuErrors();
  return result;
}

}  // namespace actinfit
