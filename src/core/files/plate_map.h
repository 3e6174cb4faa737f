// A plate map: the G-actin concentration of each well, as a user writes it in a spreadsheet and
// saves it as CSV (columns well, G-actin in uM, an optional label; a header line allowed).
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace actinfit::files {

struct TPlateMapEntry {
  double gActin = 0;  // uM
  std::string label;
};

// The wells of the map by their name as a plate writes it ("A01" and "a1" read as "A1").
// Cells are separated by commas, semicolons or tabs; a semicolon- or tab-separated map may use
// a decimal comma. Raises EInvalidInput naming the file and the line: a well that is none, a
// concentration that is no number above 0, a well given twice, a map without any well.
std::map<std::string, TPlateMapEntry> ParsePlateMap(std::string_view text,
                                                    const std::string& fileName);

// The same for the file at `path`, in any of the encodings data files come in.
std::map<std::string, TPlateMapEntry> ReadPlateMap(const std::string& path);

}  // namespace actinfit::files
