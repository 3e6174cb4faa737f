// Plate matrices, one per read: under a header "Time Temperature 1 2 ... 12" each read's time
// stands in the first cell of its matrix; or blocks numbered "Reading: N" with no time at all.
#include <algorithm>

#include "core/files/layouts.h"

namespace actinfit::files {

namespace {

// The readings of one matrix: rows of the plate, `columns` wide from `first`.
struct Matrix {
  double seconds = 0;
  size_t top = 0;  // its first row of readings
  size_t rows = 0;
  int32_t line = 0;  // the file line that opens it (its time, or its number)
};

// A header "Time(hh:mm:ss) Temperature(°C) 1 2 ... 12": the column of the time and of plate
// column 1, and the plate's width.
bool FindPlateHeader(const TCellRow& header, size_t& timeColumn, size_t& first, size_t& width) {
  timeColumn = 0;
  while (timeColumn < 2 && timeColumn < header.cells.size() && header.cells[timeColumn].empty())
    ++timeColumn;
  if (!IsTimeHeader(CellOf(header, timeColumn))) return false;
  first = timeColumn + 1;
  if (NotATraceWhy(CellOf(header, first)) == "temperature") ++first;
  width = 0;
  double number = 0;
  while (first + width < header.cells.size() && ReadValue(header.cells[first + width], number) &&
         number == static_cast<double>(width + 1)) {
    ++width;
  }
  return width >= 2 && first + width == header.cells.size();
}

// Rows that hold readings (or nothing) from `first` with empty cells before it.
bool IsMatrixRow(const TCellRow& row, size_t first) {
  if (row.cells.size() <= first) return false;
  for (size_t k = 0; k < first; ++k) {
    if (!row.cells[k].empty()) return false;
  }
  return true;
}

bool AllNumbers(const TCellRow& row) {
  double value = 0;
  return row.cells.size() >= 2 &&
         std::all_of(row.cells.begin(), row.cells.end(),
                     [&](const std::string& cell) { return ReadValue(cell, value); });
}

// One trace per well from matrices of `width` plate columns starting at `first`.
void AddPlateTraces(const std::vector<TCellRow>& rows, const std::vector<Matrix>& matrices,
                    size_t first, size_t width, TKineticTable& table) {
  size_t plateRows = 0;
  for (const Matrix& m : matrices) plateRows = std::max(plateRows, m.rows);
  for (size_t r = 0; r < plateRows; ++r) {
    for (size_t c = 0; c < width; ++c) {
      const std::string name = WellAt(r, c);
      TraceBuilder trace(name, name);
      for (const Matrix& m : matrices) {
        if (r < m.rows) trace.Add(m.seconds, CellOf(rows[m.top + r], first + c));
      }
      AddTrace(table, std::move(trace), name);
    }
  }
}

bool HasReading(const std::vector<TCellRow>& rows, const Matrix& m, size_t first) {
  for (size_t r = m.top; r < m.top + m.rows; ++r) {
    for (size_t k = first; k < rows[r].cells.size(); ++k) {
      double value = 0;
      if (ReadReadingCell(rows[r].cells[k], value) == ReadingKind::Value) return true;
    }
  }
  return false;
}

// Leaves out the plates that hold no reading: reads the run did not make, after the last
// reading or between two (a read skipped). False when no plate holds a reading.
bool DropUnmeasured(const std::vector<TCellRow>& rows, size_t first, std::vector<Matrix>& matrices,
                    TKineticTable& table) {
  size_t read = matrices.size();
  while (read > 0 && !HasReading(rows, matrices[read - 1], first)) --read;
  if (read == 0) return false;
  if (read < matrices.size()) {
    table.notes.push_back(Counted(matrices.size() - read, "plate", "plates") +
                          " after the last reading left out: reads the run did not make");
  }
  matrices.resize(read);
  std::vector<Matrix> measured;
  for (const Matrix& m : matrices) {
    if (HasReading(rows, m, first)) {
      measured.push_back(m);
      continue;
    }
    table.notes.push_back("the plate at " + ShortNumber(m.seconds) + " s (line " +
                          std::to_string(m.line) +
                          ") holds no reading: a read the run did not make, left out");
  }
  matrices = std::move(measured);
  return true;
}

// The line over a plate without a time: "Reading: 3", "Reading 3", "Reading:<TAB>3".
bool IsReadNumber(const TCellRow& row) {
  if (row.cells.size() > 2 || CellOf(row, 0).rfind("Reading", 0) != 0) return false;
  std::string_view number = row.cells.size() == 2 ? CellOf(row, 1) : CellOf(row, 0).substr(7);
  while (!number.empty() && (number.front() == ':' || number.front() == ' ')) {
    number.remove_prefix(1);
  }
  double value = 0;
  return (row.cells.size() == 1 || CellOf(row, 0).size() <= 8) && ReadValue(number, value);
}

// A table whose plates hold no reading at all is no table; the file's notes say so.
void SayNeverMeasured(const TLayoutInput& in, size_t at, const std::string& name, size_t plates) {
  in.refusals.push_back("line " + std::to_string(in.rows[at].line) + ": " +
                        (name.empty() ? "a table" : "'" + name + "'") +
                        " holds no reading in any of its " + Counted(plates, "plate", "plates") +
                        ": a read that was never measured, left out");
}

}  // namespace

size_t DetectPlateMatrices(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables) {
  const std::vector<TCellRow>& rows = in.rows;
  size_t timeColumn = 0, first = 0, width = 0;
  if (!FindPlateHeader(rows[at], timeColumn, first, width)) return at;
  const double unit = TimeHeaderUnit(rows[at].cells[timeColumn]);
  std::vector<Matrix> matrices;
  size_t r = at + 1;
  while (true) {
    while (r < rows.size() && IsEmptyRow(rows[r])) ++r;
    if (r >= rows.size()) break;
    // A read never measured may leave only its time, the cells after it empty.
    Matrix m;
    bool clock = false;
    if (!ReadTimeCell(CellOf(rows[r], timeColumn), unit, m.seconds, clock)) break;
    m.top = r;
    m.line = rows[r++].line;
    while (r < rows.size() && IsMatrixRow(rows[r], first)) ++r;
    m.rows = r - m.top;
    matrices.push_back(m);
  }
  if (matrices.empty()) return at;
  TKineticTable table;
  table.name = LabelAbove(rows, at);
  if (!DropUnmeasured(rows, first, matrices, table)) {
    SayNeverMeasured(in, at, table.name, matrices.size());
    return r;
  }
  if (first > timeColumn + 1) table.leftOut.push_back({rows[at].cells[first - 1], "temperature"});
  AddPlateTraces(rows, matrices, first, width, table);
  if (table.traces.empty()) return r;
  tables.push_back(std::move(table));
  return r;
}

size_t DetectUntimedPlates(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables) {
  const std::vector<TCellRow>& rows = in.rows;
  if (!IsReadNumber(rows[at])) return at;
  std::vector<Matrix> matrices;
  size_t r = at;
  while (true) {
    while (r < rows.size() && IsEmptyRow(rows[r])) ++r;
    if (r >= rows.size() || !IsReadNumber(rows[r])) break;
    // A read never measured leaves its number over no rows at all.
    Matrix m;
    m.line = rows[r].line;
    m.top = ++r;
    while (r < rows.size() && AllNumbers(rows[r])) ++r;
    m.rows = r - m.top;
    matrices.push_back(m);
  }
  // A line that starts with the word over no plate at all is no such layout.
  if (std::none_of(matrices.begin(), matrices.end(), [](const Matrix& m) { return m.rows > 0; })) {
    return at;
  }
  if (!in.options.intervalSeconds) {
    in.timesMissing = true;
    in.refusals.push_back("line " + std::to_string(rows[at].line) + ": " +
                          Counted(matrices.size(), "plate", "plates") + " numbered '" +
                          rows[at].cells[0] + "' hold no times: give the interval between reads");
    return r;
  }
  size_t width = 0;
  for (size_t k = 0; k < matrices.size(); ++k) {
    matrices[k].seconds = static_cast<double>(k) * *in.options.intervalSeconds;
    if (matrices[k].rows > 0) width = std::max(width, rows[matrices[k].top].cells.size());
  }
  TKineticTable table;
  table.name = LabelAbove(rows, at);
  if (!DropUnmeasured(rows, 0, matrices, table)) {
    SayNeverMeasured(in, at, table.name, matrices.size());
    return r;
  }
  table.notes.insert(table.notes.begin(), "the file holds no times: reads taken " +
                                              ShortNumber(*in.options.intervalSeconds) +
                                              " s apart, as given");
  AddPlateTraces(rows, matrices, 0, width, table);
  if (!table.traces.empty()) tables.push_back(std::move(table));
  return r;
}

}  // namespace actinfit::files
