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
// lines). The delimiter is found per line, so a metadata line above a table ("Gain: 100",
// "Date: 1/12/2026 10:00") never decides how the table is split: a tab where the line holds one
// (with commas inside a key's value, "Cycle_1<TAB>612,30.1,0.12", split at those too), else a
// semicolon, else a comma, else runs of blanks.
std::vector<TCellRow> SplitCellRows(std::string_view text);

// Drops the first cell of every row when every row that has cells starts with an empty one,
// as a spreadsheet writes a table re-saved one column to the right.
void DropEmptyFirstColumn(std::vector<TCellRow>& rows);

}  // namespace actinfit::files
