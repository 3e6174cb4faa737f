// A list of one line per well and read: "Plate Repeat Well Type Time <label> Time <label>".
// Each label is a table; each well keeps the times written beside its readings.
#include <algorithm>
#include <map>

#include "core/files/layouts.h"

namespace actinfit::files {

namespace {

struct LabelColumn {
  size_t time = 0;     // the time column before it
  size_t reading = 0;  // its own column
};

struct ListHeader {
  size_t well = 0;
  std::vector<LabelColumn> labels;
  std::vector<TLeftOut> leftOut;
};

bool FindListHeader(const TCellRow& header, ListHeader& found) {
  bool well = false;
  size_t time = 0;
  bool timeSeen = false;
  for (size_t k = 0; k < header.cells.size(); ++k) {
    const std::string& cell = header.cells[k];
    const std::string why = NotATraceWhy(cell);
    if (why == "well name" && !well) {
      well = true;
      found.well = k;
    } else if (why == "time") {
      time = k;
      timeSeen = true;
    } else if (!why.empty() || !timeSeen) {
      if (!cell.empty()) found.leftOut.push_back({cell, why.empty() ? "content" : why});
    } else if (!cell.empty()) {
      double number = 0;
      if (ReadValue(cell, number)) return false;  // a row of times, not a list's header
      found.labels.push_back({time, k});
    }
  }
  return well && !found.labels.empty();
}

std::optional<std::string> WellOfCell(std::string_view cell) {
  return cell.find(' ') == std::string_view::npos ? WellOf(cell) : std::nullopt;
}

}  // namespace

size_t DetectWellList(const TLayoutInput& in, size_t at, std::vector<TKineticTable>& tables) {
  const std::vector<TCellRow>& rows = in.rows;
  ListHeader header;
  if (!FindListHeader(rows[at], header)) return at;
  if (at + 1 >= rows.size() || !WellOfCell(CellOf(rows[at + 1], header.well))) return at;

  // Per label: the wells in the order the list first names them.
  std::vector<std::vector<TraceBuilder>> traces(header.labels.size());
  std::map<std::string, size_t> wellIndex;
  size_t end = at + 1;
  for (; end < rows.size(); ++end) {
    const TCellRow& row = rows[end];
    const auto well = WellOfCell(CellOf(row, header.well));
    if (!well) break;
    const auto [it, added] = wellIndex.emplace(*well, wellIndex.size());
    for (size_t l = 0; l < header.labels.size(); ++l) {
      if (added) traces[l].emplace_back(*well, std::string(CellOf(row, header.well)));
      const LabelColumn& label = header.labels[l];
      double seconds = 0;
      bool clock = false;
      const double unit = TimeHeaderUnit(CellOf(rows[at], label.time));
      if (ReadTimeCell(CellOf(row, label.time), unit == 0 ? 1 : unit, seconds, clock)) {
        traces[l][it->second].Add(seconds, CellOf(row, label.reading));
      } else {
        traces[l][it->second].AddMissing(CellOf(row, label.reading));
      }
    }
  }
  for (size_t l = 0; l < header.labels.size(); ++l) {
    TKineticTable table;
    table.name = rows[at].cells[header.labels[l].reading];
    table.leftOut = header.leftOut;
    for (TraceBuilder& trace : traces[l]) {
      const std::string name = trace.Name();
      AddTrace(table, std::move(trace), name);
    }
    table.notes.push_back("each well read at its own time, as the list writes it");
    if (!table.traces.empty()) tables.push_back(std::move(table));
  }
  return end;
}

}  // namespace actinfit::files
