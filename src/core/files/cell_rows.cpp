#include "core/files/cell_rows.h"

#include <algorithm>

namespace actinfit::files {

namespace {

// The most line breaks a quoted cell holds: instruments write a few ("Well\r\nRow").
constexpr int32_t kMostLinesInACell = 8;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

// A cell without its blanks and the quotes around it; "" inside quotes is one quote.
std::string Unquote(std::string_view field) {
  field = Trim(field);
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') return std::string(field);
  field = field.substr(1, field.size() - 2);
  std::string cell;
  cell.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    cell += field[i];
    if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"') ++i;
  }
  return std::string(Trim(cell));
}

// The delimiters a logical line holds outside quotes: tab, semicolon, comma.
struct Delimiters {
  bool tab = false, semicolon = false, comma = false;
};

Delimiters DelimitersOf(std::string_view line) {
  Delimiters found;
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    found.tab = found.tab || c == '\t';
    found.semicolon = found.semicolon || c == ';';
    found.comma = found.comma || c == ',';
  }
  return found;
}

// The delimiter most lines hold (a tab, then a semicolon winning a tie: a comma may be a
// decimal mark); runs of blanks where no line holds one.
char FileDelimiter(const std::vector<std::string_view>& lines) {
  size_t tabs = 0, semicolons = 0, commas = 0;
  for (const std::string_view line : lines) {
    const Delimiters found = DelimitersOf(line);
    tabs += found.tab;
    semicolons += found.semicolon;
    commas += found.comma;
  }
  if (tabs == 0 && semicolons == 0 && commas == 0) return ' ';
  if (tabs >= semicolons && tabs >= commas) return '\t';
  return semicolons >= commas ? ';' : ',';
}

void SplitAt(std::string_view line, char delimiter, std::vector<std::string>& cells) {
  if (delimiter == ' ') {
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      const size_t start = i;
      while (i < line.size() && !IsBlank(line[i])) ++i;
      if (i > start) cells.push_back(Unquote(line.substr(start, i - start)));
    }
    return;
  }
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size()) {
      if (line[i] == '"') quoted = !quoted;
      if (quoted || line[i] != delimiter) continue;
    }
    cells.push_back(Unquote(line.substr(start, i - start)));
    start = i + 1;
  }
}

size_t Count(std::string_view text, char c) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), c));
}

// A line without the file's delimiter is one cell ("Read 2:450,490" above a tab table), unless
// the file is split at blanks.
TCellRow SplitLine(std::string_view line, int32_t number, char fileDelimiter) {
  TCellRow row;
  row.line = number;
  const Delimiters found = DelimitersOf(line);
  const bool holds = (fileDelimiter == '\t' && found.tab) ||
                     (fileDelimiter == ';' && found.semicolon) ||
                     (fileDelimiter == ',' && found.comma) || fileDelimiter == ' ';
  if (holds) {
    SplitAt(line, fileDelimiter, row.cells);
  } else {
    row.cells.push_back(Unquote(line));
  }
  // A key, a tab, then a list of comma-separated values: the list is cells too.
  if (fileDelimiter == '\t' && row.cells.size() == 2 && Count(row.cells[1], ',') >= 2 &&
      Count(row.cells[1], '"') == 0) {
    const std::string rest = row.cells[1];
    row.cells.pop_back();
    SplitAt(rest, ',', row.cells);
  }
  while (!row.cells.empty() && row.cells.back().empty()) row.cells.pop_back();
  return row;
}

}  // namespace

std::vector<TCellRow> SplitCellRows(std::string_view text) {
  std::vector<std::string_view> lines;
  std::vector<int32_t> numbers;
  size_t pos = 0;
  int32_t number = 0;
  while (pos < text.size()) {
    // A logical line ends at a line break outside quotes.
    // A quote left open (a stray inch mark) holds at most a few lines together.
    const int32_t first = number + 1;
    size_t end = pos;
    bool quoted = false;
    int32_t breaks = 0;
    size_t firstBreak = std::string_view::npos;
    while (end < text.size()) {
      const char c = text[end];
      if (c == '"') quoted = !quoted;
      const bool lineBreak = c == '\n' || c == '\r';
      if (lineBreak && firstBreak == std::string_view::npos) firstBreak = end;
      if (lineBreak && !quoted) break;
      if (c == '\n' || (c == '\r' && (end + 1 >= text.size() || text[end + 1] != '\n'))) ++breaks;
      if (breaks > kMostLinesInACell) {
        end = firstBreak;
        breaks = 0;
        break;
      }
      ++end;
    }
    if (quoted && end == text.size() && firstBreak != std::string_view::npos) {
      end = firstBreak;
      breaks = 0;
    }
    number += breaks + 1;
    lines.push_back(text.substr(pos, end - pos));
    numbers.push_back(first);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  const char delimiter = FileDelimiter(lines);
  std::vector<TCellRow> rows;
  rows.reserve(lines.size());
  for (size_t k = 0; k < lines.size(); ++k)
    rows.push_back(SplitLine(lines[k], numbers[k], delimiter));
  return rows;
}

void DropEmptyFirstColumn(std::vector<TCellRow>& rows) {
  bool any = false;
  for (const TCellRow& row : rows) {
    if (row.cells.empty()) continue;
    if (!row.cells.front().empty()) return;
    any = true;
  }
  if (!any) return;
  for (TCellRow& row : rows) {
    if (!row.cells.empty()) row.cells.erase(row.cells.begin());
  }
}

}  // namespace actinfit::files
