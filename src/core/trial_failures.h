// The trial points of a search whose evaluation failed: how many, of how many, and why. The
// refinement, its profiles and the series fit take such a point as infinitely bad and go on;
// their results carry this count so that the report can say what the failures mean.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace actinfit {

struct TTrialFailures {
  int32_t Trials = 0;      // trial points evaluated, the failed ones included
  int32_t Overflow = 0;    // the Euler steps diverged: a value beyond the range of a real
  int32_t ZeroDivide = 0;  // a division by zero
  int32_t Invalid = 0;     // an invalid operation (a not-a-number, a curve with no polymer)
  std::string First;       // the message of the first failure, as the error would have said it
  std::exception_ptr FirstError;  // that error, for a search that could evaluate no point at all
  std::exception_ptr LastError;   // the latest, for a held solve that could evaluate no point

  int32_t Failed() const { return Overflow + ZeroDivide + Invalid; }

  // Counts a floating-point error (an EMathError) and returns true; any other error is not a
  // bad point but a failure of the search: false, nothing counted.
  bool Count(const std::exception_ptr& error);
  void Add(const TTrialFailures& other);
};

// What the failed trial points mean, in a sentence ("The Euler steps diverged at 312 of 25 000
// trial points: the time step is too coarse for rates that fast."); empty when none failed.
std::string TrialFailuresSentence(const TTrialFailures& failures);

}  // namespace actinfit
