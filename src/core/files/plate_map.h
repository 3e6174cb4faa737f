// A plate map: the G-actin of each well, as a user writes it beside a plate-reader run.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace actinfit::files {

struct TPlateMapEntry {
  double gActinUm = 0;
  std::string label;  // optional, as the map gives it
};

// Reads lines "well, G-actin in µM[, label]" (comma, semicolon or tab between; a header line
// and lines starting with '#' skipped; "A01" read as "A1"). Raises EInvalidInput naming the
// file and the line for a well that is none, a G-actin that is no positive number, a well
// named twice, or a map without any well.
std::map<std::string, TPlateMapEntry> ParsePlateMap(std::string_view bytes,
                                                    const std::string& fileName);
std::map<std::string, TPlateMapEntry> ReadPlateMap(const std::string& path);

}  // namespace actinfit::files
