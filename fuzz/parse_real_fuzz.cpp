// ParseReal on arbitrary text: a number, the conversion error, or an overflow; nothing else.
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "core/numtext.h"
#include "fuzz_input.h"

using namespace actinfit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  SetDecimalSeparator(fuzz::PickSeparator(in.Take<uint8_t>()));
  const std::string_view text = in.Rest();
  double value;
  try {
    value = ParseReal(text);
  } catch (const EConvertError& e) {
    // what() is a C string: a NUL byte in the text ends the message there.
    const std::string expected = "'" + std::string(text) + "' is not a valid floating point value";
    if (std::string(e.what()) != expected.c_str()) std::abort();
    return 0;
  } catch (const EOverflow&) {
    return 0;
  }
  if (!std::isfinite(value)) std::abort();
  // What the fields show of a parsed number reads back as the same number.
  const std::string shown = FormatReal(value, FloatStyle::General, 18, 0);
  const double back = ParseReal(shown);
  if (std::fabs(back - value) > std::fabs(std::nextafter(value, 0.0) - value)) std::abort();
  return 0;
}
