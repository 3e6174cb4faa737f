#include "core/numtext.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/errors.h"

namespace actinfit {
namespace {

char g_decimalSeparator = '.';

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

[[noreturn]] void ThrowNotReal(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

[[noreturn]] void ThrowNotInteger(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

// The text handed to the converters: sign, significant digits, 'e', exponent. With no decimal
// point in it, no converter depends on the C locale; each rounds correctly. Short texts live on
// the stack.
class ConversionText {
 public:
  void Append(char c) {
    if (size_ < kInline) {
      inline_[size_++] = c;
      return;
    }
    if (size_ == kInline) long_.assign(inline_.data(), kInline);
    long_ += c;
    ++size_;
  }
  void AppendNumber(int64_t v) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    for (const char* c = buffer; c != end; ++c) Append(*c);
  }
  size_t Size() const { return size_; }
  const char* CStr() {
    if (size_ < kInline) {
      inline_[size_] = '\0';
      return inline_.data();
    }
    return long_.c_str();
  }

 private:
  static constexpr size_t kInline = 63;
  std::array<char, kInline + 1> inline_{};
  std::string long_;
  size_t size_ = 0;
};

// A value as 0.d1d2d3... x 10^X: the form every style is written from.
struct DecimalForm {
  bool negative = false;
  std::array<char, 18> digit{};
  int32_t count = 0;  // significant digits, no trailing zeros; 0 for zero
  int32_t X = 0;
};

// The 18-digit expansion of a finite value, rounded at the cut position: X + decimals in fixed
// style, X + 9999 otherwise, and never past the precision. Ties go away from zero on the 18
// digits.
DecimalForm Decompose(double value, int32_t decimals, int32_t precision) {
  DecimalForm form;
  if (value == 0) return form;
  form.negative = std::signbit(value);
  // Scientific with 17 decimals gives the 18 digits correctly rounded, "d.ddd...e-XX", in no
  // locale.
  char buffer[40];
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                  std::chars_format::scientific, 17)
                        .ptr;
  const char* c = buffer;
  int32_t k = 0;
  for (; *c != 'e'; ++c) {
    if (IsDigit(*c) && k < 18) form.digit[k++] = *c;
  }
  int32_t exponent = 0;
  std::from_chars(c + (c[1] == '+' ? 2 : 1), end, exponent);
  form.X = exponent + 1;
  form.count = 18;

  const int32_t p = std::min(form.X + decimals, precision);
  if (p < 0) return DecimalForm{};
  if (p < 18) {
    const bool roundUp = form.digit[p] >= '5';
    form.count = p;
    if (roundUp) {
      int32_t i = p - 1;
      while (i >= 0 && form.digit[i] == '9') --i;
      if (i < 0) {
        form.digit[0] = '1';
        form.count = 1;
        ++form.X;
      } else {
        ++form.digit[i];
        form.count = i + 1;
      }
    }
  }
  while (form.count > 0 && form.digit[form.count - 1] == '0') --form.count;
  if (form.count == 0) form.negative = false;
  return form;
}

// The k-th digit (0-based), '0' beyond the significant ones.
char DigitAt(const DecimalForm& f, int32_t k) {
  return k < f.count ? f.digit[k] : '0';
}

std::string WriteGeneral(const DecimalForm& f, int32_t precision, char sep) {
  std::string s;
  if (f.negative) s += '-';
  if (f.X > precision || f.X < -3) {
    s += f.digit[0];
    if (f.count > 1) {
      s += sep;
      s.append(f.digit.data() + 1, f.count - 1);
    }
    s += 'E';
    if (f.X - 1 < 0) s += '-';
    s += std::to_string(std::abs(f.X - 1));
  } else if (f.X <= 0) {
    s += '0';
    if (f.count > 0) {
      s += sep;
      s.append(-f.X, '0');
      s.append(f.digit.data(), f.count);
    }
  } else {
    for (int32_t k = 0; k < f.X; ++k) s += DigitAt(f, k);
    if (f.count > f.X) {
      s += sep;
      s.append(f.digit.data() + f.X, f.count - f.X);
    }
  }
  return s;
}

std::string WriteExponent(const DecimalForm& f, int32_t precision, int32_t digits, char sep) {
  std::string s;
  if (f.negative) s += '-';
  s += DigitAt(f, 0);
  s += sep;
  for (int32_t k = 1; k < precision; ++k) s += DigitAt(f, k);
  const int32_t e = f.count == 0 ? 0 : f.X - 1;
  s += 'E';
  s += e < 0 ? '-' : '+';
  std::string magnitude = std::to_string(std::abs(e));
  if (digits >= 0 && digits <= 3 && static_cast<int32_t>(magnitude.size()) < digits) {
    magnitude.insert(0, digits - magnitude.size(), '0');
  }
  return s + magnitude;
}

std::string WriteFixed(const DecimalForm& f, int32_t digits, char sep) {
  std::string s;
  if (f.negative) s += '-';
  if (f.X <= 0) {
    s += '0';
  } else {
    for (int32_t k = 0; k < f.X; ++k) s += DigitAt(f, k);
  }
  if (digits > 0) {
    s += sep;
    const size_t end = s.size() + digits;
    if (f.X < 0) s.append(std::min(-f.X, digits), '0');
    for (int32_t k = std::max(f.X, 0); k < f.count && s.size() < end; ++k) s += f.digit[k];
    s.append(end - s.size(), '0');
  }
  return s;
}

constexpr int32_t kNoCut = 9999;  // general and exponent style cut only at the precision

}  // namespace

char DecimalSeparator() {
  return g_decimalSeparator;
}
void SetDecimalSeparator(char c) {
  g_decimalSeparator = c;
}

double ParseReal(std::string_view text) {
  const char sep = g_decimalSeparator;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && text[i] == ' ') ++i;

  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  // Mantissa: digits, then optionally the separator and more digits; at least one character.
  ConversionText conversion;
  if (negative) conversion.Append('-');
  int64_t significantDigits = 0;
  int64_t fractionDigits = 0;
  auto takeDigit = [&](char c) {
    if (c == '0' && significantDigits == 0) return;  // leading zeros carry no value
    conversion.Append(c);
    ++significantDigits;
  };
  const size_t mantissaStart = i;
  while (i < n && IsDigit(text[i])) takeDigit(text[i++]);
  if (i < n && text[i] == sep) {
    ++i;
    while (i < n && IsDigit(text[i])) {
      takeDigit(text[i++]);
      ++fractionDigits;
    }
  }
  if (i == mantissaStart) ThrowNotReal(text);

  // Exponent: digits are taken while the exponent read so far is below 500.
  int64_t exponent = 0;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    while (i < n && IsDigit(text[i]) && exponent < 500) {
      exponent = exponent * 10 + (text[i++] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }

  while (i < n && text[i] == ' ') ++i;
  if (i != n) ThrowNotReal(text);

  if (significantDigits == 0) return negative ? -0.0 : 0.0;

  // value = digits * 10^scale, and 10^(leading-1) <= |value| < 10^leading.
  const int64_t scale = exponent - fractionDigits;
  const int64_t leading = scale + significantDigits;
  if (leading < -400) return negative ? -0.0 : 0.0;  // below half the smallest subnormal
  conversion.Append('e');
  conversion.AppendNumber(scale);
  const char* converted = conversion.CStr();

  const int savedErrno = errno;
  // The text is a number of the 80-bit range (up to about 1.19E4932) or it is not a number.
  if (leading > 4933 || (leading >= 4932 && std::isinf(std::strtold(converted, nullptr)))) {
    errno = savedErrno;
    ThrowNotReal(text);
  }
  errno = savedErrno;
  // Correctly rounded like strtod, without its locale: the text holds no decimal point anyway.
  double value = 0;
  const auto [end, error] = std::from_chars(converted, converted + conversion.Size(), value);
  if (error == std::errc::result_out_of_range) {
    if (leading > 0) throw EOverflow();  // a number, but beyond the 64-bit range
    return negative ? -0.0 : 0.0;        // below the smallest subnormal
  }
  return value;
}

int32_t ParseInteger(std::string_view text) {
  const size_t n = text.size();
  if (n == 0) ThrowNotInteger(text);
  size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  bool signGiven = false, negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    signGiven = true;
    negative = text[i++] == '-';
  }

  if (!signGiven && i < n) {
    size_t hexStart = 0;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
      hexStart = i + 1;
    } else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      hexStart = i + 2;
    }
    if (hexStart != 0) {
      uint64_t value = 0;
      size_t j = hexStart;
      for (; j < n; ++j) {
        const char c = text[j];
        int digit;
        if (IsDigit(c)) {
          digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
          digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
          digit = c - 'A' + 10;
        } else {
          break;
        }
        value = value * 16 + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFull) ThrowNotInteger(text);
      }
      if (j == hexStart || j != n) ThrowNotInteger(text);
      return static_cast<int32_t>(static_cast<uint32_t>(value));  // two's complement
    }
  }

  const size_t digitsStart = i;
  int64_t value = 0;
  for (; i < n && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) ThrowNotInteger(text);
  }
  if (i == digitsStart || i != n) ThrowNotInteger(text);
  if (negative) value = -value;
  if (value > 2147483647LL) ThrowNotInteger(text);
  return static_cast<int32_t>(value);
}

std::string FormatReal(double value, FloatStyle style, int32_t precision, int32_t digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  precision = std::clamp(precision, 2, 18);
  const char sep = g_decimalSeparator;
  switch (style) {
    case FloatStyle::Exponent:
      return WriteExponent(Decompose(value, kNoCut, precision), precision, digits, sep);
    case FloatStyle::Fixed: {
      digits = std::min(digits, 18);
      const DecimalForm form = Decompose(value, digits, precision);
      // An integer part longer than the precision is written in general style.
      if (form.X <= precision) return WriteFixed(form, digits, sep);
      break;
    }
    case FloatStyle::General:
      break;
  }
  return WriteGeneral(Decompose(value, kNoCut, precision), precision, sep);
}

std::string FormatInteger(int32_t n) {
  return std::to_string(n);
}

char DetectDecimalSeparator() {
  try {
    ParseReal("0.5");
    return '.';
  } catch (const EConvertError&) {
    return ',';
  }
}

void AppendShortestReal(std::string& text, double value, char decimalMark) {
  std::array<char, 32> buffer;
  char* end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
  std::replace(buffer.data(), end, '.', decimalMark);
  text.append(buffer.data(), end);
}

std::string ShortestReal(double value, char decimalMark) {
  std::string text;
  AppendShortestReal(text, value, decimalMark);
  return text;
}

}  // namespace actinfit
