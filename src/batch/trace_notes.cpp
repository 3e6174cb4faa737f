#include "batch/trace_notes.h"

#include <array>
#include <charconv>

namespace actinfit::batch {

namespace {

// Lines a note names before it only counts the rest.
constexpr size_t kNamedLines = 10;

std::string Shortest(double value) {
  std::array<char, 32> text;
  return {text.data(), std::to_chars(text.data(), text.data() + text.size(), value).ptr};
}

// "1 missing reading (line 52)", "3 missing readings (lines 52, 60, 71)".
std::string Counted(const std::vector<int32_t>& lines, const char* one, const char* many) {
  std::string text = std::to_string(lines.size()) + " " + (lines.size() == 1 ? one : many);
  text += lines.size() == 1 ? " (line " : " (lines ";
  for (size_t i = 0; i < lines.size() && i < kNamedLines; ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(lines[i]);
  }
  if (lines.size() > kNamedLines) text += ", ...";
  return text + ")";
}

// One note per place where the time goes below the largest so far; the window's loading holds
// those times at that largest time, and so does the batch program's.
void BackwardTimes(const std::string& traceName, const TColumnPoints& points,
                   std::vector<std::string>& notes) {
  const std::vector<double>& time = points.time;
  size_t held = 0;  // the point with the largest time so far
  for (size_t i = 1; i < time.size(); ++i) {
    if (time[i] >= time[held]) {
      held = i;
      continue;
    }
    size_t rows = 0;
    while (i + rows < time.size() && time[i + rows] < time[held]) ++rows;
    notes.push_back(traceName + ": line " + std::to_string(points.lines[held]) + ": time " +
                    Shortest(time[held]) + " followed by " + Shortest(time[i]) +
                    "; later times held at " + Shortest(time[held]) + " (" + std::to_string(rows) +
                    (rows == 1 ? " row)" : " rows)"));
    i += rows - 1;
  }
}

}  // namespace

std::vector<std::string> FileNotes(const TDataTable& table) {
  std::vector<std::string> notes;
  if (!table.TimeNote.empty()) notes.push_back(table.FileName + ": " + table.TimeNote);
  if (!table.SkippedLines.empty()) {
    notes.push_back(table.FileName + ": " +
                    Counted(table.SkippedLines, "line between the rows that is no row of numbers",
                            "lines between the rows that are no rows of numbers") +
                    " left out");
  }
  return notes;
}

std::vector<std::string> PointNotes(const std::string& traceName, const TColumnPoints& points) {
  std::vector<std::string> notes;
  if (!points.missingLines.empty()) {
    notes.push_back(traceName + ": " +
                    Counted(points.missingLines, "missing reading", "missing readings") +
                    " left out");
  }
  BackwardTimes(traceName, points, notes);
  return notes;
}

}  // namespace actinfit::batch
