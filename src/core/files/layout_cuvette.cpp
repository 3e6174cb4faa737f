// Cuvette traces: "<Trace>", the number of points, the trace's name ("D1 365:407(1)"), a header
// "X Y", then seconds and intensities, "</Trace>". A file may hold several, each its own clock.
#include "core/files/layouts.h"

namespace actinfit::files {

namespace {

bool IsMark(const TCellRow& row, std::string_view mark) {
  return row.cells.size() == 1 && row.cells[0] == mark;
}

}  // namespace

size_t DetectCuvetteTraces(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables) {
  const std::vector<TCellRow>& rows = in.rows;
  if (!IsMark(rows[at], "<Trace>")) return at;
  TKineticTable table;
  size_t r = at;
  while (r < rows.size() && IsMark(rows[r], "<Trace>")) {
    std::string name;
    bool header = false;
    TraceBuilder* trace = nullptr;
    std::optional<TraceBuilder> building;
    for (++r; r < rows.size() && !IsMark(rows[r], "</Trace>"); ++r) {
      const TCellRow& row = rows[r];
      double x = 0;
      bool clock = false;
      if (header && row.cells.size() >= 2 && ReadTimeCell(row.cells[0], 1, x, clock)) {
        trace->Add(x, row.cells[1]);
      } else if (row.cells.size() >= 2 && row.cells[0] == "X") {
        header = true;
        if (name.empty()) name = "trace " + std::to_string(table.traces.size() + 1);
        building.emplace(name, name);
        trace = &*building;
      } else if (row.cells.size() == 1 && !header && !ReadValue(row.cells[0], x)) {
        name = row.cells[0];
      }
    }
    if (building) AddTrace(table, std::move(*building), name);
    if (r < rows.size()) ++r;  // past "</Trace>"
    while (r < rows.size() && IsEmptyRow(rows[r])) ++r;
  }
  if (table.traces.empty()) return at;
  table.notes.push_back("X read as seconds");
  tables.push_back(std::move(table));
  return r;
}

}  // namespace actinfit::files
