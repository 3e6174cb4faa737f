// The cells of a data file: numbers with either decimal mark, times written as clock times,
// the marks instruments write for a missing reading, and the unit a time header names.
#pragma once

#include <string>
#include <string_view>

namespace actinfit {

enum class CellKind {
  Number,      // a number, or a clock time read as seconds
  Missing,     // an empty cell or a mark for a missing reading: "OVRFLW", "*", "-", "NaN", ...
  OutOfRange,  // a number beyond the range of a 64-bit real
  BadTime,     // written like a clock time, but none: "1:75:00", ":30", "-0:30"
  Text,        // anything else
};

// Reads one field as a number with the decimal mark `mark`, '.' or ','; with `mark` 0 either
// serves, and `mark` becomes the one the field used. Optional sign, digits with an optional
// decimal mark (at least one digit), an optional exponent with at least one digit. The value is
// the correctly rounded nearest 64-bit real; one too small for it is zero. Never Missing.
CellKind ReadNumber(std::string_view field, char& mark, double& value);

// Reads one field of the time column: a number, or "h:mm:ss", "mm:ss", either with decimals on
// the seconds ("m:ss.s"), as seconds. A clock time sets `clock`. For BadTime, `fault` says why.
CellKind ReadTime(std::string_view field, char& mark, double& value, bool& clock,
                  std::string& fault);

// Reads one readings field: a number, or Missing with `value` not-a-number.
CellKind ReadReading(std::string_view field, char& mark, double& value);

// Seconds per unit of the time a header names: "Time [min]", "t (h)", "Time/min" give 60 or
// 3600 and the unit's name in `unit`; no unit, or seconds, give 1. A word in square brackets
// that names no unit of time gives 0 and the word in `unknown`.
double SecondsPerTimeUnit(std::string_view header, std::string& unit, std::string& unknown);

}  // namespace actinfit
