// ParseDataText on arbitrary bytes: the error naming the file, or a table of at least two whole
// columns whose rows, written again in seconds in the file's own separator and decimal mark
// ("*" for a missing reading), read back as the same numbers.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/files/datafile.h"
#include "core/errors.h"

using namespace actinfit;

namespace {

void AppendReal(std::string& text, double value, char mark, bool quoted) {
  if (std::isnan(value)) {
    text += '*';
    return;
  }
  char buffer[32];
  char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  for (char* c = buffer; c != end; ++c) {
    if (*c == '.') *c = mark;
  }
  if (quoted) text += '"';
  text.append(buffer, end);
  if (quoted) text += '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TDataTable table;
  try {
    table = ParseDataText(text, "fuzz.txt");
  } catch (const EInvalidInput& e) {
    if (std::string_view(e.what()).find("'fuzz.txt'") != 0) std::abort();
    return 0;
  }
  const size_t columns = table.Columns.size();
  const size_t rows = table.Lines.size();
  if (columns < 2 || table.Names.size() != columns || rows == 0) std::abort();
  for (size_t i = 1; i < rows; ++i) {
    if (table.Lines[i] <= table.Lines[i - 1]) std::abort();
  }
  for (size_t k = 0; k < columns; ++k) {
    if (table.Columns[k].size() != rows) std::abort();
    for (const double value : table.Columns[k]) {
      // Only a reading may be missing; no number is infinite.
      if (std::isinf(value) || (k == 0 && std::isnan(value))) std::abort();
    }
  }

  // A comma between columns with a comma as decimal mark needs quotes around each number.
  const bool quoted = table.Separator == ',' && table.DecimalMark == ',';
  std::string again;
  for (size_t i = 0; i < rows; ++i) {
    for (size_t k = 0; k < columns; ++k) {
      if (k > 0) again += table.Separator;
      AppendReal(again, table.Columns[k][i], table.DecimalMark, quoted);
    }
    again += '\n';
  }
  const TDataTable back = ParseDataText(again, "again.txt");
  const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  if (back.Columns.size() != columns) std::abort();
  for (size_t k = 0; k < columns; ++k) {
    if (!std::equal(back.Columns[k].begin(), back.Columns[k].end(), table.Columns[k].begin(),
                    table.Columns[k].end(), same)) {
      std::abort();
    }
  }
  return 0;
}
