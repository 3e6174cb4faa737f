// The sheets of an .xlsx workbook as rows of cells, for the same detection as a text file:
// numbers as written, shared and inline strings, empty cells kept in place, and numbers whose
// cell is styled as a time or duration written as clock times (the workbook stores them as
// fractions of a day).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/files/cell_rows.h"

namespace actinfit::files {

struct TSheetRows {
  std::string name;
  std::vector<TCellRow> rows;  // TCellRow::line is the sheet's row number
};

// True when `bytes` start as a zip archive does.
bool LooksLikeWorkbook(std::string_view bytes);

// Raises EInvalidInput naming `fileName` when the archive or its parts cannot be read.
std::vector<TSheetRows> ReadWorkbookSheets(std::string_view bytes, const std::string& fileName);

}  // namespace actinfit::files
