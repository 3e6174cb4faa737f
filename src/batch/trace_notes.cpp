#include "batch/trace_notes.h"

#include <array>
#include <charconv>

namespace actinfit::batch {

namespace {

std::string Shortest(double value) {
  std::array<char, 32> text;
  return {text.data(), std::to_chars(text.data(), text.data() + text.size(), value).ptr};
}

}  // namespace

std::vector<std::string> TableNotes(const std::string& where, const files::TKineticTable& table) {
  std::vector<std::string> notes;
  for (const std::string& note : table.notes) notes.push_back(where + ": " + note);
  for (const files::TLeftOut& left : table.leftOut) {
    notes.push_back(where + ": '" + left.name + "' left out (" + left.why + ")");
  }
  return notes;
}

std::vector<std::string> BackwardTimeNotes(const std::string& traceName,
                                           const std::vector<double>& time) {
  std::vector<std::string> notes;
  size_t held = 0;  // the point with the largest time so far
  for (size_t i = 1; i < time.size(); ++i) {
    if (time[i] >= time[held]) {
      held = i;
      continue;
    }
    size_t count = 0;
    while (i + count < time.size() && time[i + count] < time[held]) ++count;
    notes.push_back(traceName + ": reading " + std::to_string(held + 1) + ": time " +
                    Shortest(time[held]) + " followed by " + Shortest(time[i]) +
                    "; later times held at " + Shortest(time[held]) + " (" + std::to_string(count) +
                    (count == 1 ? " reading)" : " readings)"));
    i += count - 1;
  }
  return notes;
}

}  // namespace actinfit::batch
