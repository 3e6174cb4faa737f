// FormatReal followed by ParseReal: every finite value's text reads back within one unit in
// the last place of the value the text says (the C library's correctly rounded reading of it).
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "core/numtext.h"
#include "fuzz_input.h"

using namespace actinfit;

namespace {

double Ulp(double x) {
  const double a = std::fabs(x);
  return std::nextafter(a, INFINITY) - a;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const double value = in.Take<double>();
  const uint8_t style = in.Take<uint8_t>();
  const int32_t precision = in.Take<int8_t>();
  const int32_t digits = in.Take<int8_t>();
  const char separator = in.Take<uint8_t>() & 1 ? ',' : '.';
  if (!std::isfinite(value)) return 0;
  SetDecimalSeparator(separator);
  const FloatStyle styles[3] = {FloatStyle::General, FloatStyle::Exponent, FloatStyle::Fixed};
  const std::string text = FormatReal(value, styles[style % 3], precision, digits);

  // The reference reads the same text with '.' in the C locale.
  std::string dotted = text;
  for (char& c : dotted) {
    if (c == separator) c = '.';
  }
  std::setlocale(LC_NUMERIC, "C");
  const double reference = std::strtod(dotted.c_str(), nullptr);
  double back;
  try {
    back = ParseReal(text);
  } catch (const EOverflow&) {
    if (std::isinf(reference)) return 0;  // rounding carried the text past the 64-bit range
    std::abort();
  } catch (const EConvertError&) {
    std::abort();  // every finite value's text must be a number
  }
  if (std::fabs(back - reference) > Ulp(reference)) std::abort();
  // With every significant digit kept, the text comes back to the value itself.
  if (styles[style % 3] == FloatStyle::General && precision >= 17 &&
      std::fabs(back - value) > Ulp(value)) {
    std::abort();
  }
  return 0;
}
