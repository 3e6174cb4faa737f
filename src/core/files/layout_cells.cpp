#include "core/files/layout_cells.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "core/files/data_cells.h"

namespace actinfit::files {

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCase(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) c = Lower(c);
  return lower;
}

bool StartsWith(std::string_view lower, std::string_view prefix) {
  return lower.substr(0, prefix.size()) == prefix;
}

// Words instruments write where a well has no reading, compared in lower case.
constexpr std::array<std::string_view, 12> kNoReadingWords = {
    "over",    "ovrflw",   "overflow", "sat.", "sat",     "saturated",
    "#value!", "per well", "#div/0!",  "#n/a", "invalid", "out of range"};

bool IsNoReadingWord(std::string_view cell) {
  if (!cell.empty() && std::all_of(cell.begin(), cell.end(), [](char c) { return c == '?'; })) {
    return true;
  }
  const std::string lower = LowerCase(cell);
  if (std::find(kNoReadingWords.begin(), kNoReadingWords.end(), lower) != kNoReadingWords.end()) {
    return true;
  }
  // A saturation mark beside a number: ">4200.000", "<0.000".
  double value = 0;
  return (cell.front() == '>' || cell.front() == '<') && ReadValue(cell.substr(1), value);
}

// The degree sign as UTF-8, as U+FFFD after a lossy round trip, as "∞" or "¡" from old code
// pages.
constexpr std::array<std::string_view, 4> kDegreeSigns = {"\xC2\xB0", "\xEF\xBF\xBD",
                                                          "\xE2\x88\x9E", "\xC2\xA1"};

}  // namespace

bool ReadValue(std::string_view cell, double& value) {
  char mark = 0;
  return ReadNumber(cell, mark, value) == CellKind::Number;
}

ReadingKind ReadReadingCell(std::string_view cell, double& value) {
  char mark = 0;
  const CellKind kind = ReadReading(cell, mark, value);
  if (kind == CellKind::Number) return ReadingKind::Value;
  if (kind == CellKind::Missing || (kind == CellKind::Text && IsNoReadingWord(cell))) {
    return ReadingKind::Missing;
  }
  return ReadingKind::Other;
}

bool ReadTimeCell(std::string_view cell, double secondsPerUnit, double& seconds, bool& clock) {
  char mark = 0;
  std::string fault;
  double value = 0;
  if (ReadTime(cell, mark, value, clock, fault) != CellKind::Number || value < 0) return false;
  seconds = clock ? value : value * secondsPerUnit;
  return std::isfinite(seconds);
}

bool IsTimeHeader(std::string_view cell) {
  const std::string lower = LowerCase(cell);
  if (StartsWith(lower, "time")) return true;
  static constexpr std::array<std::string_view, 6> kWords = {"secs", "sec", "seconds",
                                                             "s",    "t",   "t [s]"};
  if (std::find(kWords.begin(), kWords.end(), lower) != kWords.end()) return true;
  return StartsWith(lower, "t [") || StartsWith(lower, "t (") || StartsWith(lower, "t/");
}

double TimeHeaderUnit(std::string_view cell) {
  std::string unit, unknown;
  return SecondsPerTimeUnit(cell, unit, unknown);
}

std::string NotATraceWhy(std::string_view cell) {
  const std::string lower = LowerCase(cell);
  if (StartsWith(lower, "temp")) return "temperature";
  for (const std::string_view sign : kDegreeSigns) {
    if (lower.starts_with('t') && StartsWith(std::string_view(lower).substr(1), sign)) {
      return "temperature";
    }
  }
  if (IsTimeHeader(cell)) return "time";
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kWords = {{
      {"cycle", "cycle number"},
      {"kinetic", "cycle number"},
      {"repeat", "cycle number"},
      {"row", "plate row"},
      {"col", "plate column"},
      {"well", "well name"},
      {"content", "content"},
      {"sample", "content"},
      {"type", "content"},
      {"plate", "plate number"},
      {"barcode", "plate number"},
      {"name", "content"},
  }};
  for (const auto& [word, why] : kWords) {
    if (StartsWith(lower, word)) return std::string(why);
  }
  return {};
}

bool IsTemperatureUnit(std::string_view text) {
  std::string bare;
  for (const char c : LowerCase(text)) {
    if (c != ' ' && c != '[' && c != ']' && c != '(' && c != ')' && c != '.') bare += c;
  }
  for (const std::string_view sign : kDegreeSigns) {
    if (bare.find(sign) != std::string::npos) return true;
  }
  static constexpr std::array<std::string_view, 6> kUnits = {"c",    "k",       "f",
                                                             "degc", "celsius", "kelvin"};
  return std::find(kUnits.begin(), kUnits.end(), bare) != kUnits.end();
}

std::optional<std::string> WellOf(std::string_view cell) {
  const size_t end = std::min(cell.find(' '), cell.size());
  const std::string_view word = cell.substr(0, end);
  if (word.size() < 2 || word.size() > 4) return std::nullopt;
  const char row = word[0];
  if (!(row >= 'A' && row <= 'P') && !(row >= 'a' && row <= 'p')) return std::nullopt;
  std::string_view digits = word.substr(1);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (digits.size() > 2 || digits == "0") return std::nullopt;
  const int column =
      digits.size() == 1 ? digits[0] - '0' : (digits[0] - '0') * 10 + digits[1] - '0';
  if (column > 24) return std::nullopt;
  return std::string(1, static_cast<char>(row >= 'a' ? row - 'a' + 'A' : row)) +
         std::string(digits);
}

std::string WellAt(size_t row, size_t column) {
  std::string name;
  if (row >= 26) name += static_cast<char>('A' + row / 26 - 1);
  name += static_cast<char>('A' + row % 26);
  return name + std::to_string(column + 1);
}

std::string_view CellOf(const TCellRow& row, size_t k) {
  return k < row.cells.size() ? std::string_view(row.cells[k]) : std::string_view();
}

bool IsEmptyRow(const TCellRow& row) {
  return std::all_of(row.cells.begin(), row.cells.end(),
                     [](const std::string& cell) { return cell.empty(); });
}

std::string LabelAbove(const std::vector<TCellRow>& rows, size_t at) {
  for (size_t back = 1; back <= 3 && back <= at; ++back) {
    const TCellRow& row = rows[at - back];
    if (IsEmptyRow(row)) continue;
    std::vector<std::string_view> filled;
    for (const std::string& cell : row.cells) {
      if (!cell.empty()) filled.push_back(cell);
    }
    std::string_view label;
    if (filled.size() >= 2 && LowerCase(filled[0]) == "plate:") {
      label = filled[1];
    } else if (filled.size() == 1) {
      label = filled[0];
      // "Gain: 100" is a setting, "Read 2:450,490" a read's label.
      const size_t colon = label.find(": ");
      if (colon != std::string_view::npos) {
        const std::string key = LowerCase(label.substr(0, colon));
        if (key != "label" && key != "read" && key != "plate") return {};
        label = label.substr(colon + 2);
      }
    } else if (filled.size() == 2 &&
               (LowerCase(filled[0]) == "label:" || LowerCase(filled[0]) == "label")) {
      label = filled[1];
    } else {
      return {};
    }
    double number = 0;
    if (label.size() > 80 || ReadValue(label, number)) return {};
    return std::string(label);
  }
  return {};
}

TraceBuilder::TraceBuilder(std::string name, std::string header) {
  trace_.name = std::move(name);
  trace_.header = std::move(header);
}

bool TraceBuilder::Add(double time, std::string_view cell) {
  double value = 0;
  switch (ReadReadingCell(cell, value)) {
    case ReadingKind::Value:
      trace_.times.push_back(time);
      trace_.readings.push_back(value);
      return true;
    case ReadingKind::Missing:
      AddMissing(cell);
      return true;
    case ReadingKind::Other:
      return false;
  }
  return false;
}

void TraceBuilder::AddMissing(std::string_view mark) {
  ++missing_;
  if (!mark.empty() && marks_.size() < 3 &&
      std::find(marks_.begin(), marks_.end(), mark) == marks_.end()) {
    marks_.emplace_back(mark);
  }
}

TWellTrace TraceBuilder::Finish() {
  if (missing_ > 0 && !trace_.readings.empty()) {
    std::string note = Counted(missing_, "reading", "readings");
    if (marks_.empty()) {
      note += " empty, left out";
    } else {
      note += " marked ";
      for (size_t k = 0; k < marks_.size(); ++k) note += (k ? ", '" : "'") + marks_[k] + "'";
      note += " or empty, left out";
    }
    trace_.notes.push_back(note);
  }
  return std::move(trace_);
}

void AddTrace(TKineticTable& table, TraceBuilder&& trace, const std::string& name) {
  if (trace.Empty()) {
    table.leftOut.push_back({name, "no readings"});
    return;
  }
  table.traces.push_back(trace.Finish());
}

std::string ShortNumber(double value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.6g", value);
  return text.data();
}

std::string Counted(size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace actinfit::files
