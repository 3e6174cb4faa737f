// Wells down the rows, one cycle per column: a block of rows of cycle numbers, times and
// temperatures (each headed in its first cells), then one row per well headed by its name (or by
// a row letter and a column number, and its content). A header whose quoted cells hold line
// breaks may stand in for the time row's heading, its times then in decimal hours.
#include <algorithm>

#include "core/files/layouts.h"

namespace actinfit::files {

namespace {

// Where the times are: the row, the first cycle's column, the unit of the times.
struct TimeRow {
  size_t row = 0;
  size_t first = 0;
  double secondsPerUnit = 1;
  std::string name;  // the table's name where the header gives it
};

// The cells from `first` hold times (at least two), empty cells allowed for planned cycles.
bool HoldsTimes(const TCellRow& row, size_t first, double secondsPerUnit) {
  size_t times = 0;
  for (size_t k = first; k < row.cells.size(); ++k) {
    if (row.cells[k].empty()) continue;
    double seconds = 0;
    bool clock = false;
    if (!ReadTimeCell(row.cells[k], secondsPerUnit, seconds, clock)) return false;
    ++times;
  }
  return times >= 2 && !CellOf(row, first).empty();
}

// A row headed "Time [s]" (in one of its first three cells) over times.
bool FindLabelledTimes(const TCellRow& row, size_t at, TimeRow& found) {
  for (size_t j = 0; j < std::min<size_t>(3, row.cells.size()); ++j) {
    if (!IsTimeHeader(row.cells[j])) continue;
    const double unit = TimeHeaderUnit(row.cells[j]);
    if (unit == 0 || !HoldsTimes(row, j + 1, unit)) return false;
    found = {at, j + 1, unit, {}};
    return true;
  }
  return false;
}

// A header row of well, content and read labels ("Raw Data (485)\n2 - 0 h 2 min"), then a row
// of empty cells under the well's headings and the cycles' times in decimal hours.
bool FindHeaderedHours(const std::vector<TCellRow>& rows, size_t at, TimeRow& found) {
  if (at + 1 >= rows.size()) return false;
  const TCellRow& header = rows[at];
  const TCellRow& times = rows[at + 1];
  if (header.cells.empty() || NotATraceWhy(header.cells[0]) != "well name") return false;
  size_t first = 0;
  while (first < times.cells.size() && times.cells[first].empty()) ++first;
  if (first == 0 || first >= header.cells.size()) return false;
  const std::string& label = header.cells[first];
  if (label.find('\n') == std::string::npos || !HoldsTimes(times, first, 3600)) return false;
  found = {at + 1, first, 3600, label.substr(0, label.find_first_of("\r\n"))};
  return true;
}

// The well a row's heading cells name: "A1", "A01", or a row letter and a column number.
std::optional<std::string> WellOfRow(const TCellRow& row, size_t first) {
  for (size_t k = 0; k < first && k < row.cells.size(); ++k) {
    const std::string& cell = row.cells[k];
    if (cell.find(' ') == std::string::npos) {
      if (const auto well = WellOf(cell)) return well;
    }
  }
  const std::string_view letter = CellOf(row, 0);
  double column = 0;
  if (first >= 2 && letter.size() == 1 && letter[0] >= 'A' && letter[0] <= 'P' &&
      ReadValue(CellOf(row, 1), column) && column >= 1 && column <= 48 &&
      column == static_cast<int>(column)) {
    return WellAt(static_cast<size_t>(letter[0] - 'A'), static_cast<size_t>(column) - 1);
  }
  return std::nullopt;
}

std::string HeadingOf(const TCellRow& row, size_t first) {
  std::string heading;
  for (size_t k = 0; k < first && k < row.cells.size(); ++k) {
    if (row.cells[k].empty()) continue;
    if (!heading.empty()) heading += ' ';
    heading += row.cells[k];
  }
  return heading;
}

// A row of the header block: a heading that names what the row holds, over numbers.
bool IsHeaderRow(const TCellRow& row, size_t first, std::string& heading, std::string& why) {
  heading = HeadingOf(row, first);
  why = NotATraceWhy(heading);
  return !why.empty();
}

}  // namespace

size_t DetectWellsDown(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables) {
  const std::vector<TCellRow>& rows = in.rows;
  TimeRow time;
  if (!FindLabelledTimes(rows[at], at, time) && !FindHeaderedHours(rows, at, time)) return at;
  const TCellRow& timeRow = rows[time.row];

  TKineticTable table;
  std::string heading, why;
  size_t top = at;
  while (top > 0 && top + 3 > at && IsHeaderRow(rows[top - 1], time.first, heading, why)) {
    --top;
    table.leftOut.insert(table.leftOut.begin(), {heading, why});
  }
  table.name = time.name.empty() ? LabelAbove(rows, top) : time.name;

  // The cycles that have a time; the others were planned but never measured.
  std::vector<size_t> columns;
  std::vector<double> seconds;
  for (size_t k = time.first; k < timeRow.cells.size(); ++k) {
    double value = 0;
    bool clock = false;
    if (!ReadTimeCell(timeRow.cells[k], time.secondsPerUnit, value, clock)) continue;
    columns.push_back(k);
    seconds.push_back(value);
  }

  size_t end = time.row + 1;
  std::vector<std::pair<std::string, size_t>> wells;  // name, row
  for (; end < rows.size(); ++end) {
    const TCellRow& row = rows[end];
    if (const auto well = WellOfRow(row, time.first)) {
      wells.emplace_back(*well, end);
    } else if (wells.empty() && IsHeaderRow(row, time.first, heading, why)) {
      table.leftOut.push_back({heading, why});
    } else {
      break;
    }
  }
  if (wells.empty()) return at;

  size_t lastColumn = 0;  // one past the last cycle with a reading
  for (const auto& [name, r] : wells) {
    for (size_t c = 0; c < columns.size(); ++c) {
      double value = 0;
      if (ReadReadingCell(CellOf(rows[r], columns[c]), value) == ReadingKind::Value) {
        lastColumn = std::max(lastColumn, c + 1);
      }
    }
  }
  for (const auto& [name, r] : wells) {
    TraceBuilder trace(name, HeadingOf(rows[r], time.first));
    for (size_t c = 0; c < lastColumn; ++c) trace.Add(seconds[c], CellOf(rows[r], columns[c]));
    AddTrace(table, std::move(trace), name);
  }
  const size_t planned = timeRow.cells.size() > time.first
                             ? std::max(timeRow.cells.size(), rows[top].cells.size()) - time.first
                             : 0;
  if (planned > lastColumn) {
    table.notes.push_back(Counted(planned - lastColumn, "cycle", "cycles") +
                          " after the last reading left out: cycles the run did not make");
  }
  if (time.secondsPerUnit == 3600) table.notes.push_back("times in hours converted to seconds");
  if (time.secondsPerUnit == 60) table.notes.push_back("times in minutes converted to seconds");
  if (table.traces.empty()) {
    in.refusals.push_back("line " + std::to_string(timeRow.line) +
                          ": a table whose wells hold no readings");
    return end;
  }
  tables.push_back(std::move(table));
  return end;
}

}  // namespace actinfit::files
