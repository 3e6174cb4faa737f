#include "core/trial_failures.h"

#include "core/errors.h"

namespace actinfit {
namespace {

// "25 000": the digits in groups of three, as a count reads in a sentence.
std::string Grouped(int32_t count) {
  const std::string digits = std::to_string(count);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

bool TTrialFailures::Count(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const EOverflow&) {
    ++Overflow;
  } catch (const EZeroDivide&) {
    ++ZeroDivide;
  } catch (const EMathError&) {
    ++Invalid;
  } catch (...) {
    return false;
  }
  LastError = error;
  if (!FirstError) {
    FirstError = error;
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      First = e.what();
    }
  }
  return true;
}

void TTrialFailures::Add(const TTrialFailures& other) {
  Trials += other.Trials;
  Overflow += other.Overflow;
  ZeroDivide += other.ZeroDivide;
  Invalid += other.Invalid;
  if (!FirstError) First = other.First, FirstError = other.FirstError;
  if (other.LastError) LastError = other.LastError;
}

std::string TrialFailuresSentence(const TTrialFailures& failures) {
  if (failures.Failed() == 0) return {};
  const std::string of = " of " + Grouped(failures.Trials) + " trial points";
  std::string sentence;
  const auto add = [&](const std::string& part) {
    sentence += sentence.empty() ? part : "; " + part;
  };
  if (failures.Overflow > 0) {
    add("The Euler steps diverged at " + Grouped(failures.Overflow) + of +
        ": the time step is too coarse for rates that fast");
  }
  if (failures.ZeroDivide > 0) {
    add(std::string(sentence.empty() ? "A" : "a") + " division by zero at " +
        Grouped(failures.ZeroDivide) + of);
  }
  if (failures.Invalid > 0) {
    add(std::string(sentence.empty() ? "An" : "an") + " invalid floating point operation at " +
        Grouped(failures.Invalid) + of);
  }
  return sentence + ". The search passed over those points.";
}

}  // namespace actinfit
