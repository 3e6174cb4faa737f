// Times down the rows, one readings column per well across: the plain two-column file, the
// exported kinetic read with a temperature column, a robot's cycle log ("Cycle_1", seconds,
// temperature, wells).
#include <algorithm>

#include "core/files/layouts.h"

namespace actinfit::files {

namespace {

enum class Column { Reading, Time, Ignored };

struct Frame {
  size_t timeColumn = 0;
  double secondsPerUnit = 1;
  std::vector<Column> columns;  // by cell index; Reading beyond its end
  Column Of(size_t k) const { return k < columns.size() ? columns[k] : Column::Reading; }
};

// A row of the table: a time, then readings (or anything in columns that hold no trace). With
// `strict`, as the first row must be: at least one reading and no word in place of one.
bool IsDataRow(const TCellRow& row, const Frame& frame, bool strict) {
  double time = 0;
  bool clock = false;
  if (!ReadTimeCell(CellOf(row, frame.timeColumn), frame.secondsPerUnit, time, clock)) {
    return false;
  }
  bool anyReading = false;
  for (size_t k = 0; k < row.cells.size(); ++k) {
    if (frame.Of(k) != Column::Reading) continue;
    double value = 0;
    const ReadingKind kind = ReadReadingCell(row.cells[k], value);
    if (kind == ReadingKind::Value) anyReading = true;
    if (kind == ReadingKind::Other && strict) return false;
  }
  return anyReading || !strict;
}

// The frame a header row gives: the time column is the first (or second) headed as a time,
// else the first; temperature and cycle columns hold no trace.
Frame FrameOfHeader(const TCellRow& header) {
  Frame frame;
  for (size_t k = 0; k < std::min<size_t>(2, header.cells.size()); ++k) {
    if (IsTimeHeader(header.cells[k])) {
      frame.timeColumn = k;
      break;
    }
  }
  frame.secondsPerUnit = TimeHeaderUnit(CellOf(header, frame.timeColumn));
  frame.columns.assign(std::max(header.cells.size(), frame.timeColumn + 1), Column::Reading);
  frame.columns[frame.timeColumn] = Column::Time;
  // Cells before the time column without a header are a spreadsheet's margin.
  for (size_t k = 0; k < frame.timeColumn; ++k) {
    if (header.cells[k].empty()) frame.columns[k] = Column::Ignored;
  }
  for (size_t k = 0; k < header.cells.size(); ++k) {
    const std::string why = NotATraceWhy(header.cells[k]);
    if (k != frame.timeColumn && (why == "temperature" || why == "cycle number" || why == "time")) {
      frame.columns[k] = Column::Ignored;
    }
  }
  return frame;
}

std::string TraceName(std::string_view header, size_t column) {
  if (header.empty()) return "column " + std::to_string(column + 1);
  if (const auto well = WellOf(header)) return *well;
  return std::string(header);
}

// A temperature column headed "T° Read 1:365,407" names its table "Read 1:365,407".
std::string NameFromTemperature(const TCellRow& header, const Frame& frame) {
  for (size_t k = 0; k < header.cells.size(); ++k) {
    if (frame.Of(k) != Column::Ignored || NotATraceWhy(header.cells[k]) != "temperature") continue;
    const size_t blank = header.cells[k].find(' ');
    if (blank != std::string::npos) return header.cells[k].substr(blank + 1);
  }
  return {};
}

}  // namespace

size_t DetectTimesDown(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables) {
  const std::vector<TCellRow>& rows = in.rows;
  if (rows[at].cells.empty()) return at;
  bool withHeader = false;
  Frame frame;
  frame.columns.assign(1, Column::Time);
  if (IsDataRow(rows[at], frame, true)) {
    // A row of numbers right under another is part of a table that started above it.
    if (at > 0 && !rows[at - 1].cells.empty() && IsDataRow(rows[at - 1], frame, false)) return at;
  } else {
    if (at + 1 >= rows.size()) return at;
    frame = FrameOfHeader(rows[at]);
    const bool unknownUnit = frame.secondsPerUnit == 0;
    if (unknownUnit) frame.secondsPerUnit = 1;
    if (!IsDataRow(rows[at + 1], frame, true)) return at;
    if (unknownUnit) {
      // The table is there, but its times cannot be read: it is left out, and said.
      in.refusals.push_back("line " + std::to_string(rows[at].line) + ": the time column '" +
                            rows[at].cells[frame.timeColumn] +
                            "' names a unit of time that is none of s, min and h");
      size_t end = at + 1;
      while (end < rows.size() && IsDataRow(rows[end], frame, false)) ++end;
      return end;
    }
    withHeader = true;
  }
  const size_t first = at + (withHeader ? 1 : 0);
  size_t end = first + 1;
  size_t width = rows[first].cells.size();
  while (end < rows.size() && IsDataRow(rows[end], frame, false) &&
         (withHeader || rows[end].cells.size() <= width + 8)) {
    width = std::max(width, rows[end].cells.size());
    ++end;
  }
  if (withHeader) width = std::max(width, rows[at].cells.size());

  // The last row with a reading: the rows after it are reads the run did not make.
  size_t lastRead = first;
  bool clock = false;
  std::vector<double> times(end - first);
  for (size_t r = first; r < end; ++r) {
    ReadTimeCell(CellOf(rows[r], frame.timeColumn), frame.secondsPerUnit, times[r - first], clock);
    for (size_t k = 0; k < rows[r].cells.size(); ++k) {
      double value = 0;
      if (frame.Of(k) == Column::Reading &&
          ReadReadingCell(rows[r].cells[k], value) == ReadingKind::Value) {
        lastRead = r;
        break;
      }
    }
  }

  TKineticTable table;
  const TCellRow emptyHeader;
  const TCellRow& header = withHeader ? rows[at] : emptyHeader;
  table.name = withHeader ? LabelAbove(rows, at) : std::string();
  if (table.name.empty()) table.name = NameFromTemperature(header, frame);
  for (size_t k = 0; k < width; ++k) {
    const std::string_view title = CellOf(header, k);
    if (frame.Of(k) == Column::Time) continue;
    if (frame.Of(k) == Column::Ignored) {
      if (title.empty()) continue;
      table.leftOut.push_back({std::string(title), NotATraceWhy(title)});
      continue;
    }
    const std::string name = TraceName(title, k);
    TraceBuilder trace(name, std::string(title));
    for (size_t r = first; r <= lastRead; ++r) trace.Add(times[r - first], CellOf(rows[r], k));
    AddTrace(table, std::move(trace), name);
  }
  const bool anyClock =
      std::any_of(rows.begin() + static_cast<ptrdiff_t>(first),
                  rows.begin() + static_cast<ptrdiff_t>(end), [&](const TCellRow& row) {
                    return CellOf(row, frame.timeColumn).find(':') != std::string_view::npos;
                  });
  if (anyClock) table.notes.push_back("clock times (h:mm:ss, m:ss) read as seconds");
  if (frame.secondsPerUnit == 60) table.notes.push_back("times in minutes converted to seconds");
  if (frame.secondsPerUnit == 3600) table.notes.push_back("times in hours converted to seconds");
  if (end - 1 > lastRead) {
    table.notes.push_back(Counted(end - 1 - lastRead, "row", "rows") +
                          " after the last reading (line " + std::to_string(rows[lastRead].line) +
                          ") left out: reads the run did not make");
  }
  if (table.traces.empty()) {
    in.refusals.push_back("line " + std::to_string(rows[first].line) +
                          ": a table whose columns hold no readings");
    return end;
  }
  tables.push_back(std::move(table));
  return end;
}

}  // namespace actinfit::files
