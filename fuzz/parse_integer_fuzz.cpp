// ParseInteger on arbitrary text: a 32-bit value or the conversion error, and a decimal text's
// value is the one the C library reads.
#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "core/numtext.h"
#include "fuzz_input.h"

using namespace actinfit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  int32_t value;
  try {
    value = ParseInteger(text);
  } catch (const EConvertError& e) {
    const std::string expected = "'" + text + "' is not a valid integer value";
    if (std::string(e.what()) != expected.c_str()) std::abort();
    return 0;
  }
  // Decimal texts (blanks, an optional sign, digits) agree with strtoll.
  const size_t first = text.find_first_not_of(' ');
  const bool hex = text.find_first_of("$xX") != std::string::npos;
  if (!hex && first != std::string::npos) {
    errno = 0;
    char* end = nullptr;
    const long long reference = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || reference != value) std::abort();
  }
  if (FormatInteger(value) != std::to_string(value)) std::abort();
  return 0;
}
