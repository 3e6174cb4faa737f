// A fit's result line as the window's results pane logs it: the error in fixed style with 5
// decimals, then each parameter in exponent style with 5 digits, tab-separated, with the
// process-wide decimal separator.
#pragma once

#include <array>
#include <string>

#include "core/model.h"

namespace actinfit {

std::string ResultErrorText(double error);
std::string ResultParameterText(double value);
std::string ResultLine(double error, const std::array<double, kParamCount>& params);

}  // namespace actinfit
