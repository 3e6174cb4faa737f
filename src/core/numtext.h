// Number text: parsing and formatting of reals and integers with the process-wide decimal
// separator, and nothing of the C library's locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace actinfit {

enum class FloatStyle { General, Exponent, Fixed };

// Blanks (character 32) around, optional sign, digits with an optional decimal separator, an
// optional exponent. Raises EConvertError for invalid text and EOverflow for a value beyond the
// 64-bit range (but within the 80-bit one, such as "1E400").
double ParseReal(std::string_view text);

// Leading blanks, optional sign, decimal digits, or hexadecimal after '$', 'x' or "0x" without a
// sign. Raises EConvertError for invalid text or a value beyond 32 bits.
int32_t ParseInteger(std::string_view text);

// precision: significant digits (2 to 18). digits: decimals in fixed style, minimum exponent
// digits in exponent style, unused in general style.
std::string FormatReal(double value, FloatStyle style, int32_t precision, int32_t digits);

std::string FormatInteger(int32_t n);

// The shortest text that reads back as the same 64-bit real ("50", "0.1", "1e-07"), with the
// given decimal mark: what files and the batch program's lines write.
void AppendShortestReal(std::string& text, double value, char decimalMark = '.');
std::string ShortestReal(double value, char decimalMark = '.');

// The process-wide decimal separator, '.' until set.
char DecimalSeparator();
void SetDecimalSeparator(char c);

// '.' when "0.5" parses with the current separator, ',' otherwise.
char DetectDecimalSeparator();

}  // namespace actinfit
