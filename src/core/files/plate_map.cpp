#include "core/files/plate_map.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "core/errors.h"
#include "core/files/file_bytes.h"
#include "core/files/layout_cells.h"
#include "core/files/text_encoding.h"

namespace actinfit::files {

namespace {

std::string_view Trimmed(std::string_view cell) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '"'; };
  while (!cell.empty() && blank(cell.front())) cell.remove_prefix(1);
  while (!cell.empty() && blank(cell.back())) cell.remove_suffix(1);
  return cell;
}

std::vector<std::string_view> Cells(std::string_view line) {
  char separator = ',';
  if (line.find('\t') != std::string_view::npos) {
    separator = '\t';
  } else if (line.find(';') != std::string_view::npos) {
    separator = ';';
  }
  std::vector<std::string_view> cells;
  while (true) {
    const size_t end = line.find(separator);
    cells.push_back(Trimmed(line.substr(0, end)));
    if (end == std::string_view::npos) return cells;
    line.remove_prefix(end + 1);
  }
}

// A concentration cell: '.' or ',' as the decimal mark (a comma can only be one where the
// cells are not separated by commas), whatever mark the window's numbers use.
std::optional<double> Concentration(std::string_view cell) {
  std::string text(cell);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  double value = 0;
  const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failed != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::map<std::string, TPlateMapEntry> ParsePlateMap(std::string_view text,
                                                    const std::string& fileName) {
  std::map<std::string, TPlateMapEntry> map;
  size_t lineNumber = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    const std::vector<std::string_view> cells = Cells(line);
    if (cells.size() == 1 && cells[0].empty()) continue;
    const std::string where = fileName + ": line " + std::to_string(lineNumber) + ": ";
    const std::optional<std::string> well = WellOf(cells[0]);
    const std::optional<double> uM = cells.size() > 1 ? Concentration(cells[1]) : std::nullopt;
    if (map.empty() && !well && !uM) continue;  // the header
    if (!well || cells[0].find(' ') != std::string_view::npos) {
      throw EInvalidInput(where + "'" + std::string(cells[0]) + "' is no well");
    }
    if (!uM || !(*uM > 0) || !std::isfinite(*uM)) {
      throw EInvalidInput(where + "the G-actin of " + *well + " is no concentration above 0 (" +
                          (cells.size() > 1 ? "'" + std::string(cells[1]) + "'" : "none") + ")");
    }
    TPlateMapEntry entry{*uM, cells.size() > 2 ? std::string(cells[2]) : std::string()};
    if (!map.emplace(*well, std::move(entry)).second) {
      throw EInvalidInput(where + *well + " is given a second time");
    }
  }
  if (map.empty()) throw EInvalidInput(fileName + ": no line of well and G-actin");
  return map;
}

std::map<std::string, TPlateMapEntry> ReadPlateMap(const std::string& path) {
  const std::string bytes = ReadFileBytes(path, true);
  std::string converted;
  const std::string_view text = DecodeText(bytes, path, converted);
  return ParsePlateMap(text, path);
}

}  // namespace actinfit::files
