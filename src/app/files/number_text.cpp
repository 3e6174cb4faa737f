#include "app/files/number_text.h"

namespace actinfit {

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
