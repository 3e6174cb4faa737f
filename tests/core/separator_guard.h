// Sets the process-wide decimal separator for one test and puts the old one back.
#pragma once

#include "core/numtext.h"

namespace actinfit::testing {

class SeparatorGuard {
 public:
  explicit SeparatorGuard(char c) : saved_(DecimalSeparator()) { SetDecimalSeparator(c); }
  ~SeparatorGuard() { SetDecimalSeparator(saved_); }
  SeparatorGuard(const SeparatorGuard&) = delete;
  SeparatorGuard& operator=(const SeparatorGuard&) = delete;

 private:
  char saved_;
};

}  // namespace actinfit::testing
