#include "core/files/plate_map.h"

#include <cmath>

#include "core/errors.h"
#include "core/files/cell_rows.h"
#include "core/files/file_bytes.h"
#include "core/files/layout_cells.h"
#include "core/files/text_encoding.h"

namespace actinfit::files {

std::map<std::string, TPlateMapEntry> ParsePlateMap(std::string_view bytes,
                                                    const std::string& fileName) {
  std::string converted;
  const std::string_view text = DecodeText(bytes, fileName, converted);
  RefuseBinary(text, fileName);
  std::map<std::string, TPlateMapEntry> map;
  bool first = true;
  for (const TCellRow& row : SplitCellRows(text)) {
    if (IsEmptyRow(row) || row.cells[0].starts_with('#')) continue;
    const auto fail = [&](const std::string& why) {
      throw EInvalidInput("'" + fileName + "', line " + std::to_string(row.line) + ": " + why);
    };
    const std::string& wellCell = row.cells[0];
    const std::optional<std::string> well =
        wellCell.find(' ') == std::string::npos ? WellOf(wellCell) : std::nullopt;
    double uM = 0;
    const bool number = ReadValue(CellOf(row, 1), uM);
    // A first line that names no well is the header ("well,G-actin (uM),label").
    if (first && !well && !number) {
      first = false;
      continue;
    }
    first = false;
    if (!well) fail("'" + wellCell + "' is no well (A1 to P24)");
    if (!number || !std::isfinite(uM) || uM <= 0) {
      fail("the G-actin of " + *well + " must be a positive number of \u00b5M, not '" +
           std::string(CellOf(row, 1)) + "'");
    }
    if (row.cells.size() > 3) fail("more than three cells (well, G-actin in \u00b5M, label)");
    const auto [it, added] = map.emplace(*well, TPlateMapEntry{uM, std::string(CellOf(row, 2))});
    if (!added) fail(*well + " is named twice");
  }
  if (map.empty()) throw EInvalidInput("'" + fileName + "' names no well and its G-actin");
  return map;
}

std::map<std::string, TPlateMapEntry> ReadPlateMap(const std::string& path) {
  return ParsePlateMap(ReadFileBytes(path, true), path);
}

}  // namespace actinfit::files
