#include "core/files/gactin_header.h"

#include <cctype>
#include <charconv>
#include <string>

namespace actinfit {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The factor to uM of a unit that starts `rest` (blanks skipped), and its length; 0 when none.
double UnitFactor(std::string_view rest) {
  size_t i = 0;
  while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
  rest.remove_prefix(i);
  struct Unit {
    std::string_view prefix;
    double factor;
  };
  static constexpr Unit kUnits[] = {
      {"nm", 1e-3}, {"um", 1}, {"\xC2\xB5m", 1}, {"\xCE\xBCm", 1}, {"mm", 1e3}};
  for (const Unit& unit : kUnits) {
    if (rest.size() < unit.prefix.size()) continue;
    bool same = true;
    for (size_t k = 0; k < unit.prefix.size() && same; ++k) {
      const auto c = static_cast<unsigned char>(rest[k]);
      same = static_cast<char>(std::tolower(c)) == unit.prefix[k];
    }
    // "3 umol" is an amount, not a concentration: the unit ends there.
    const size_t end = unit.prefix.size();
    const bool ends = end == rest.size() || !std::isalpha(static_cast<unsigned char>(rest[end]));
    if (same && ends) return unit.factor;
  }
  return 0;
}

}  // namespace

std::optional<double> GActinFromHeader(std::string_view header) {
  std::optional<double> found;
  size_t i = 0;
  while (i < header.size()) {
    if (!IsDigit(header[i])) {
      ++i;
      continue;
    }
    // A number: digits, one decimal mark ('.' or ','), digits.
    const size_t start = i;
    while (i < header.size() && IsDigit(header[i])) ++i;
    if (i + 1 < header.size() && (header[i] == '.' || header[i] == ',') && IsDigit(header[i + 1])) {
      ++i;
      while (i < header.size() && IsDigit(header[i])) ++i;
    }
    std::string number(header.substr(start, i - start));
    for (char& c : number) {
      if (c == ',') c = '.';
    }
    const double factor = UnitFactor(header.substr(i));
    double value = 0;
    // from_chars: the window's locale must not change what a header means.
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
    if (factor > 0 && parsed.ec == std::errc()) found = value * factor;
  }
  return found;
}

}  // namespace actinfit
