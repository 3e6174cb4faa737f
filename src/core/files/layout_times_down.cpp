// Times down the rows, one readings column per well across: the plain two-column file, the
// exported kinetic read with a temperature column, a robot's cycle log ("Cycle_1", seconds,
// temperature, wells).
#include <algorithm>
#include <optional>

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

// A row of the table: a time (into `seconds` where given), then readings (or anything in
// columns that hold no trace). With `strict`, as the first row must be: at least one reading and
// no word in place of one.
bool IsDataRow(const TCellRow& row, const Frame& frame, bool strict, double* seconds = nullptr) {
  double time = 0;
  bool clock = false;
  if (!ReadTimeCell(CellOf(row, frame.timeColumn), frame.secondsPerUnit, time, clock)) {
    return false;
  }
  if (seconds != nullptr) *seconds = time;
  if (!strict) return true;
  bool anyReading = false;
  for (size_t k = 0; k < row.cells.size(); ++k) {
    if (frame.Of(k) != Column::Reading) continue;
    double value = 0;
    const ReadingKind kind = ReadReadingCell(row.cells[k], value);
    if (kind == ReadingKind::Value) anyReading = true;
    if (kind == ReadingKind::Other) return false;
  }
  return anyReading;
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

// A temperature column headed "T° Read 1:365,407" names its table "Read 1:365,407"; a unit
// after the word ("Temp °C", "Temp. [°C]") names nothing.
std::string NameFromTemperature(const TCellRow& header, const Frame& frame) {
  for (size_t k = 0; k < header.cells.size(); ++k) {
    if (frame.Of(k) != Column::Ignored || NotATraceWhy(header.cells[k]) != "temperature") continue;
    const size_t blank = header.cells[k].find(' ');
    if (blank == std::string::npos) continue;
    const std::string rest = header.cells[k].substr(blank + 1);
    if (!IsTemperatureUnit(rest)) return rest;
  }
  return {};
}

// The rows a table spans: its rows of readings, and lines of text among them left out.
struct Span {
  std::vector<size_t> dataRows;
  std::vector<double> times;  // of the rows of readings, in seconds
  std::vector<size_t> strayLines;
  size_t end = 0;  // the row after the table
};

// A line of text inside a table ("Pause", "Injection: 5 ul"): one or two cells, no time.
bool IsStrayLine(const TCellRow& row) {
  size_t filled = 0;
  for (const std::string& cell : row.cells) filled += cell.empty() ? 0 : 1;
  return filled >= 1 && filled <= 2 && !IsTimeHeader(row.cells.front());
}

// Up to this many lines of text in a row are taken for a remark inside a table.
constexpr size_t kStrayRun = 3;

// The rows from `first` on: rows of readings, and runs of stray lines followed by a row of
// readings whose time goes on (a new table's clock starts again, and its header is no stray
// line).
Span SpanFrom(const std::vector<TCellRow>& rows, size_t first, const Frame& frame,
              bool withHeader) {
  Span span;
  size_t width = rows[first].cells.size();
  const auto fits = [&](size_t r) { return withHeader || rows[r].cells.size() <= width + 8; };
  size_t r = first;
  double seconds = 0;
  while (r < rows.size()) {
    if (IsDataRow(rows[r], frame, false, &seconds) && fits(r)) {
      width = std::max(width, rows[r].cells.size());
      span.dataRows.push_back(r++);
      span.times.push_back(seconds);
      continue;
    }
    size_t after = r;
    while (after < rows.size() && after - r < kStrayRun && IsStrayLine(rows[after])) ++after;
    if (after == r || after >= rows.size() || !IsDataRow(rows[after], frame, true, &seconds) ||
        !fits(after) || seconds <= span.times.back()) {
      break;
    }
    for (; r < after; ++r) span.strayLines.push_back(r);
  }
  span.end = r;
  return span;
}

std::string Quoted(const TCellRow& row) {
  std::string text;
  for (const std::string& cell : row.cells) {
    if (!cell.empty()) text += (text.empty() ? "" : " ") + cell;
  }
  return "'" + text + "'";
}

bool HoldsReading(const Frame& frame, const TCellRow& row) {
  for (size_t k = 0; k < row.cells.size(); ++k) {
    double value = 0;
    if (frame.Of(k) == Column::Reading &&
        ReadReadingCell(row.cells[k], value) == ReadingKind::Value) {
      return true;
    }
  }
  return false;
}

// The notes of how the table was read: clock times, units, lines left out, padding.
void AddNotes(const std::vector<TCellRow>& rows, const Frame& frame, const Span& span,
              size_t lastRead, TKineticTable& table) {
  const bool anyClock = std::any_of(span.dataRows.begin(), span.dataRows.end(), [&](size_t r) {
    return CellOf(rows[r], frame.timeColumn).find(':') != std::string_view::npos;
  });
  if (anyClock) table.notes.push_back("clock times (h:mm:ss, m:ss) read as seconds");
  if (frame.secondsPerUnit == 60) table.notes.push_back("times in minutes converted to seconds");
  if (frame.secondsPerUnit == 3600) table.notes.push_back("times in hours converted to seconds");
  for (const size_t r : span.strayLines) {
    table.notes.push_back("line " + std::to_string(rows[r].line) + " " + Quoted(rows[r]) +
                          " inside the table left out: it holds no readings");
  }
  const size_t padding = span.dataRows.size() - 1 - lastRead;
  if (padding > 0) {
    table.notes.push_back(Counted(padding, "row", "rows") + " after the last reading (line " +
                          std::to_string(rows[span.dataRows[lastRead]].line) +
                          ") left out: reads the run did not make");
  }
}

// The table under `header` (a row without cells where there is none) over the rows of `span`.
TKineticTable BuildTable(const std::vector<TCellRow>& rows, const TCellRow& header,
                         const Frame& frame, const Span& span) {
  size_t width = header.cells.size();
  const std::vector<double>& times = span.times;
  // The last row with a reading: the rows after it are reads the run did not make.
  size_t lastRead = 0;
  for (size_t i = 0; i < span.dataRows.size(); ++i) {
    const TCellRow& row = rows[span.dataRows[i]];
    width = std::max(width, row.cells.size());
    if (HoldsReading(frame, row)) lastRead = i;
  }
  TKineticTable table;
  for (size_t k = 0; k < width; ++k) {
    const std::string_view title = CellOf(header, k);
    if (frame.Of(k) == Column::Time) continue;
    if (frame.Of(k) == Column::Ignored) {
      if (!title.empty()) table.leftOut.push_back({std::string(title), NotATraceWhy(title)});
      continue;
    }
    const std::string name = TraceName(title, k);
    TraceBuilder trace(name, std::string(title));
    for (size_t i = 0; i <= lastRead; ++i) trace.Add(times[i], CellOf(rows[span.dataRows[i]], k));
    AddTrace(table, std::move(trace), name);
  }
  AddNotes(rows, frame, span, lastRead, table);
  return table;
}

// The frame of a header over a row of readings, or none; where the header's unit of time is
// none, a refusal says so and `skipTo` is the row after the table.
std::optional<Frame> HeaderFrame(const TLayoutInput& in, size_t at, size_t& skipTo) {
  const std::vector<TCellRow>& rows = in.rows;
  if (at + 1 >= rows.size()) return std::nullopt;
  Frame frame = FrameOfHeader(rows[at]);
  const bool unknownUnit = frame.secondsPerUnit == 0;
  if (unknownUnit) frame.secondsPerUnit = 1;
  if (!IsDataRow(rows[at + 1], frame, true)) return std::nullopt;
  if (!unknownUnit) return frame;
  // The table is there, but its times cannot be read: it is left out, and said.
  in.refusals.push_back("line " + std::to_string(rows[at].line) + ": the time column '" +
                        rows[at].cells[frame.timeColumn] +
                        "' names a unit of time that is none of s, min and h");
  skipTo = at + 1;
  while (skipTo < rows.size() && IsDataRow(rows[skipTo], frame, false)) ++skipTo;
  return std::nullopt;
}

}  // namespace

size_t DetectTimesDown(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables) {
  const std::vector<TCellRow>& rows = in.rows;
  if (rows[at].cells.empty()) return at;
  Frame frame;
  frame.columns.assign(1, Column::Time);
  const TCellRow noHeader;
  const TCellRow* header = &noHeader;
  if (IsDataRow(rows[at], frame, true)) {
    // A row of numbers right under another is part of a table that started above it.
    if (at > 0 && !rows[at - 1].cells.empty() && IsDataRow(rows[at - 1], frame, false)) return at;
  } else {
    size_t skipTo = at;
    const std::optional<Frame> headed = HeaderFrame(in, at, skipTo);
    if (!headed) return skipTo;
    frame = *headed;
    header = &rows[at];
  }
  const size_t first = header == &noHeader ? at : at + 1;
  const Span span = SpanFrom(rows, first, frame, header != &noHeader);
  TKineticTable table = BuildTable(rows, *header, frame, span);
  table.name = header == &noHeader ? std::string() : LabelAbove(rows, at);
  if (table.name.empty()) table.name = NameFromTemperature(*header, frame);
  if (table.traces.empty()) {
    in.refusals.push_back("line " + std::to_string(rows[first].line) +
                          ": a table whose columns hold no readings");
    return span.end;
  }
  tables.push_back(std::move(table));
  return span.end;
}

}  // namespace actinfit::files
