// The rows of cells of a text file or a spreadsheet sheet, the common ground of every layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace actinfit::files {

// One logical row: its cells trimmed of blanks and of the quotes around them, without the
// empty cells at its end. An empty line is a row without cells.
struct TCellRow {
  int32_t line = 0;  // the first file line of the row (1-based), or the sheet's row number
  std::vector<std::string> cells;
};

// Splits decoded text into rows. A quoted cell may hold line breaks (one row over several
// lines). The delimiter is the one most lines hold (a tab, a semicolon, a comma; runs of blanks
// where none does), and a line without it is one cell: a metadata line above a table
// ("Gain: 100", "Date: 1/12/2026 10:00") or a label ("Read 2:450,490") never changes how the
// table is split. A key, a tab and a comma-separated list ("Cycle_1<TAB>612,30.1,0.12") is split
// at the commas too.
std::vector<TCellRow> SplitCellRows(std::string_view text);

// Drops the first cell of every row when every row that has cells starts with an empty one,
// as a spreadsheet writes a table re-saved one column to the right.
void DropEmptyFirstColumn(std::vector<TCellRow>& rows);

}  // namespace actinfit::files
