#include "core/files/data_cells.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>

namespace actinfit {

namespace {

// Numbers a field of any sane file has at most; more are kept on the heap.
constexpr size_t kInlineNumber = 64;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == y; });
}

// What instruments and spreadsheets write where there is no reading.
constexpr std::array<std::string_view, 12> kMissingMarks = {
    "-", "--", "*", "nan", "n.a.", "n/a", "na", "#n/a", "ovrflw", "overflow", "over", "?"};

bool IsMissingMark(std::string_view field) {
  if (field.empty()) return true;
  return std::any_of(kMissingMarks.begin(), kMissingMarks.end(),
                     [field](std::string_view mark) { return SameWord(field, mark); });
}

// Too large or too small for a 64-bit real: the decimal exponent of the first significant
// digit tells which. A value that underflows is zero (with its sign), one that overflows is out
// of range.
CellKind BeyondRange(std::string_view field, size_t signEnd, size_t markAt, double& value) {
  const char* s = field.data();
  const size_t n = field.size();
  int64_t exponent = 0;
  if (const size_t e = field.find_first_of("eE"); e != std::string_view::npos) {
    size_t k = e + 1;
    const bool negative = k < n && s[k] == '-';
    if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
    for (; k < n && exponent < 100000; ++k) exponent = exponent * 10 + (s[k] - '0');
    if (negative) exponent = -exponent;
  }
  int64_t position = 0;  // of the first significant digit, relative to the decimal mark
  for (size_t k = signEnd; k < n && s[k] != 'e' && s[k] != 'E'; ++k) {
    if (k == markAt) continue;
    if (s[k] != '0') {
      position = k < markAt ? static_cast<int64_t>(markAt - k) : -static_cast<int64_t>(k - markAt);
      break;
    }
  }
  if (position + exponent > 0) return CellKind::OutOfRange;
  value = s[0] == '-' ? -0.0 : 0.0;
  return CellKind::Number;
}

// The digits of a clock time's part: at least one, and exactly `width` when `width` is not 0.
bool ReadClockPart(std::string_view part, size_t width, double& value) {
  if (part.empty() || (width != 0 && part.size() != width)) return false;
  if (!std::all_of(part.begin(), part.end(), IsDigit)) return false;
  value = 0;
  if (std::from_chars(part.data(), part.data() + part.size(), value).ec != std::errc()) {
    value = std::numeric_limits<double>::infinity();  // more digits than a 64-bit real holds
  }
  return true;
}

bool LooksLikeClock(std::string_view field) {
  return field.find(':') != std::string_view::npos &&
         std::all_of(field.begin(), field.end(), [](char c) {
           return IsDigit(c) || c == ':' || c == '.' || c == ',' || c == '-' || c == '+';
         });
}

// "h:mm:ss", "mm:ss", with decimals on the seconds; minutes of "h:mm:ss" and seconds below 60.
CellKind ReadClock(std::string_view field, char& mark, double& value, std::string& fault) {
  const auto bad = [&fault, field](const char* why) {
    fault.assign(1, '\'').append(field).append("' is not a time").append(why);
    return CellKind::BadTime;
  };
  const bool negative = field.front() == '-';
  std::string_view rest = field;
  if (rest.front() == '-' || rest.front() == '+') rest.remove_prefix(1);
  std::array<std::string_view, 3> parts;
  size_t count = 0;
  while (true) {
    const size_t colon = rest.find(':');
    if (count == parts.size()) return bad(" (h:mm:ss, mm:ss or m:ss.s)");
    parts[count++] = rest.substr(0, colon);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  // The seconds: two digits, then maybe the decimal mark and more digits.
  std::string_view seconds = parts[count - 1];
  const size_t markAt = seconds.find_first_of(".,");
  double fraction = 0;
  if (markAt != std::string_view::npos) {
    if (mark != 0 && seconds[markAt] != mark) return bad(" (h:mm:ss, mm:ss or m:ss.s)");
    std::string_view decimals = seconds.substr(markAt + 1);
    double digits = 0;
    if (!ReadClockPart(decimals, 0, digits)) return bad(" (h:mm:ss, mm:ss or m:ss.s)");
    std::string text = "0." + std::string(decimals);
    std::from_chars(text.data(), text.data() + text.size(), fraction);
    seconds = seconds.substr(0, markAt);
  }
  double hours = 0, minutes = 0, whole = 0;
  const bool withHours = count == 3;
  if (!ReadClockPart(seconds, 2, whole) || (withHours && !ReadClockPart(parts[0], 0, hours)) ||
      !ReadClockPart(parts[count - 2], withHours ? 2 : 0, minutes)) {
    return bad(" (h:mm:ss, mm:ss or m:ss.s)");
  }
  if (whole >= 60 || (withHours && minutes >= 60)) {
    return bad(": minutes and seconds run from 00 to 59");
  }
  if (negative) {
    fault.assign(1, '\'').append(field).append("' is a negative time");
    return CellKind::BadTime;
  }
  if (markAt != std::string_view::npos && mark == 0) mark = field[field.find_first_of(".,")];
  value = (hours * 60 + minutes) * 60 + whole + fraction;
  return std::isfinite(value) ? CellKind::Number : CellKind::OutOfRange;
}

struct TimeUnit {
  std::array<std::string_view, 5> words;
  double seconds;
  std::string_view name;
};

// The clock notations name no unit: their cells are read as clock times.
constexpr std::array<TimeUnit, 4> kTimeUnits = {{
    {{"s", "sec", "secs", "second", "seconds"}, 1, ""},
    {{"min", "mins", "minute", "minutes", "min."}, 60, "minutes"},
    {{"h", "hr", "hrs", "hour", "hours"}, 3600, "hours"},
    {{"hh:mm:ss", "h:mm:ss", "mm:ss", "m:ss", "sec."}, 1, ""},
}};

bool IsUnitWord(std::string_view word) {
  if (word.empty()) return false;
  return std::all_of(word.begin(), word.end(), [](char c) {
    return (Lower(c) >= 'a' && Lower(c) <= 'z') || c == '.' || c == ':';
  });
}

const TimeUnit* FindUnit(std::string_view word) {
  for (const TimeUnit& unit : kTimeUnits) {
    for (const std::string_view w : unit.words) {
      if (!w.empty() && SameWord(word, w)) return &unit;
    }
  }
  return nullptr;
}

std::string_view Bracketed(std::string_view header, char open, char close) {
  const size_t from = header.find(open);
  if (from == std::string_view::npos) return {};
  const size_t to = header.find(close, from + 1);
  if (to == std::string_view::npos) return {};
  std::string_view inside = header.substr(from + 1, to - from - 1);
  while (!inside.empty() && inside.front() == ' ') inside.remove_prefix(1);
  while (!inside.empty() && inside.back() == ' ') inside.remove_suffix(1);
  return inside;
}

}  // namespace

CellKind ReadNumber(std::string_view field, char& mark, double& value) {
  const char* s = field.data();
  const size_t n = field.size();
  size_t i = 0;
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t signEnd = i;
  int32_t digits = 0;
  size_t markAt = n;
  while (i < n && IsDigit(s[i])) ++i, ++digits;
  if (i < n && (s[i] == '.' || s[i] == ',')) {
    if (mark != 0 && s[i] != mark) return CellKind::Text;
    markAt = i++;
    while (i < n && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return CellKind::Text;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t expStart = i;
    while (i < n && IsDigit(s[i])) ++i;
    if (i == expStart) return CellKind::Text;
  }
  if (i != n) return CellKind::Text;
  if (markAt != n && mark == 0) mark = s[markAt];

  // The converter takes no '+' and only '.' as the decimal mark.
  const char* from = s + (s[0] == '+' ? 1 : 0);
  const char* to = s + n;
  std::array<char, kInlineNumber> buffer;
  std::unique_ptr<char[]> heap;
  if (markAt != n && s[markAt] == ',') {
    const size_t len = static_cast<size_t>(to - from);
    char* copy = buffer.data();
    if (len > buffer.size()) {
      heap = std::make_unique<char[]>(len);
      copy = heap.get();
    }
    std::memcpy(copy, from, len);
    copy[markAt - static_cast<size_t>(from - s)] = '.';
    from = copy;
    to = copy + len;
  }
  const auto [end, error] = std::from_chars(from, to, value);
  if (error == std::errc()) return CellKind::Number;
  if (error != std::errc::result_out_of_range) return CellKind::Text;
  return BeyondRange(field, signEnd, markAt, value);
}

CellKind ReadTime(std::string_view field, char& mark, double& value, bool& clock,
                  std::string& fault) {
  clock = LooksLikeClock(field);
  if (!clock) return ReadNumber(field, mark, value);
  return ReadClock(field, mark, value, fault);
}

CellKind ReadReading(std::string_view field, char& mark, double& value) {
  // A number first: most cells are one, and no mark reads as a number.
  const CellKind kind = ReadNumber(field, mark, value);
  if (kind != CellKind::Text || !IsMissingMark(field)) return kind;
  value = std::numeric_limits<double>::quiet_NaN();
  return CellKind::Missing;
}

double SecondsPerTimeUnit(std::string_view header, std::string& unit, std::string& unknown) {
  unit.clear();
  unknown.clear();
  // Square brackets hold a unit ("Time [s]"); parentheses and what follows a slash may hold
  // anything else too ("Read (kinetic)", "Time/Date"), so only a known unit counts there.
  std::string_view word = Bracketed(header, '[', ']');
  const bool inSquareBrackets = !word.empty();
  if (!inSquareBrackets) word = Bracketed(header, '(', ')');
  if (word.empty()) {
    const size_t slash = header.rfind('/');
    if (slash == std::string_view::npos) return 1;
    word = header.substr(slash + 1);
  }
  if (!IsUnitWord(word)) return 1;
  if (const TimeUnit* found = FindUnit(word)) {
    unit = found->name;
    return found->seconds;
  }
  if (!inSquareBrackets) return 1;
  unknown = word;
  return 0;
}

}  // namespace actinfit
