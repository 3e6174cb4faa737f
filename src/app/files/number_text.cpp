#include "app/files/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace actinfit {

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

std::string ColumnLines(const std::vector<double>& values, char decimalMark) {
  std::string text;
  text.reserve(values.size() * 10);
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += '\n';
    AppendShortestReal(text, values[i], decimalMark);
  }
  return text;
}

}  // namespace actinfit
