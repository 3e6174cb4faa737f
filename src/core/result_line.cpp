#include "core/result_line.h"

#include "core/numtext.h"

namespace actinfit {

std::string ResultErrorText(double error) {
  return FormatReal(error, FloatStyle::Fixed, 5, 5);
}

std::string ResultParameterText(double value) {
  return FormatReal(value, FloatStyle::Exponent, 5, 2);
}

std::string ResultLine(double error, const std::array<double, kParamCount>& params) {
  std::string line = ResultErrorText(error);
  for (const double value : params) {
    line += '\t';
    line += ResultParameterText(value);
  }
  return line;
}

}  // namespace actinfit
