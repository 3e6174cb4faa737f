#include "core/columns.h"

#include <algorithm>
#include <utility>

#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit {
namespace {

// Rewrites one line into the form the number parser accepts. Returns whether it changed.
bool NormaliseLine(std::string& s, char probedSeparator) {
  bool changed = false;
  if (const size_t dot = s.find('.'); dot != std::string::npos) {
    s[dot] = probedSeparator;
    changed = true;
  }
  // This search sees the separator just written, when it is a comma.
  if (const size_t comma = s.find(','); comma != std::string::npos) {
    s[comma] = probedSeparator;
    changed = true;
  }
  const auto blankOrTab = [](char c) { return c == '\t' || c == ' '; };
  const auto kept = std::remove_if(s.begin(), s.end(), blankOrTab);
  if (kept != s.end()) {
    s.erase(kept, s.end());
    changed = true;
  }
  return changed;
}

// Cleans a pane in one pass, compacting kept lines towards the front, and collects the value
// of every kept line. If an error other than a conversion error leaves mid-way, the lines not
// yet examined move up behind the kept ones, so the pane stays whole.
int32_t CleanAndRead(std::vector<std::string>& pane, char probedSeparator,
                     std::vector<double>* values) {
  size_t write = 0;
  size_t read = 0;
  try {
    for (; read < pane.size(); ++read) {
      std::string& line = pane[read];
      std::string s = line;
      const bool changed = NormaliseLine(s, probedSeparator);
      double value;
      try {
        value = ParseReal(s);
      } catch (const EConvertError&) {
        continue;  // not a number: the line is deleted
      }
      if (changed) line = std::move(s);
      if (write != read) pane[write] = std::move(line);
      ++write;
      if (values) values->push_back(value);
    }
  } catch (...) {
    // Nothing to close up when no line was deleted; moving a line onto itself would empty it.
    if (write != read) {
      std::move(pane.begin() + static_cast<std::ptrdiff_t>(read), pane.end(),
                pane.begin() + static_cast<std::ptrdiff_t>(write));
      pane.resize(write + (pane.size() - read));
    }
    throw;
  }
  pane.resize(write);
  return static_cast<int32_t>(write);
}

}  // namespace

int32_t CleanColumn(std::vector<std::string>& pane, char probedSeparator) {
  return CleanAndRead(pane, probedSeparator, nullptr);
}

int32_t LoadData(std::vector<std::string>& timePane, std::vector<std::string>& dataPane,
                 char probedSeparator, std::unique_ptr<TModel>& model) {
  // The kept lines are the ones the trial parse accepted, so their values are those of the
  // loading parse; they are taken from the cleaning instead of parsed a second time.
  std::vector<double> times, readings;
  const int32_t tCount = CleanAndRead(timePane, probedSeparator, &times);
  const int32_t dCount = CleanAndRead(dataPane, probedSeparator, &readings);
  const int32_t n = std::min(tCount, dCount);
  // The new record is filled before it replaces the old one, so the window always holds a
  // whole record, even if memory runs out here.
  auto fresh = std::make_unique<TModel>(n);
  TModel& m = *fresh;
  for (int32_t i = 0; i < n; ++i) {
    m.Time[i] = times[i];
    // A time that goes backwards is held at the latest time so far.
    if (i > 0 && m.Time[i] < m.Time[i - 1]) m.Time[i] = m.Time[i - 1];
    m.Data[i] = readings[i];
  }
  model = std::move(fresh);
  return n;
}

}  // namespace actinfit
